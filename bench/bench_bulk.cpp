// The bulk jobs beside a door station: tarvo-admin's import of 10^5 students and its purge of
// 10^6 old rows, paced as the command paces them, while a thread presents a card at a steady
// beat through the station's own database work (open, look up and decide, append the access and
// the attempt, close). The figures are each card's time during each job, the worst above all
// (a student at the door waits that long), and the import's rate against a bare bulk insert of
// the same students on the same engine.
//
// Arguments: engine (0 the file, 1 a server) and the card interval in ms. The server is the one
// TARVO_BENCH_PG names, else a private cluster scripts/pg-cluster.sh starts and destroys.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchServer.h"
#include "Rounds.h"
#include "SourceTree.h"
#include "SqliteFloor.h"
#include "accessdb/AdminTables.h"
#include "accessdb/Connection.h"
#include "admin/ChunkPacing.h"
#include "admin/Progress.h"
#include "admin/Purge.h"
#include "admin/StudentImport.h"
#include "controller/cycle/AccessRules.h"
#include "controller/cycle/Verdict.h"

using namespace tarvo;
using bench::PgConnect;
using bench::PgConnection;
using bench::PgResult;
using bench::TheServer;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kImported = 100'000;
constexpr long kOldAccesses = 800'000;  // with the old attempts, the 10^6 rows the purge takes
constexpr long kOldAttempts = 200'000;
constexpr long kStationStudents = 1'000;
constexpr long kFirstImportedDni = 10'000'000;
// As tarvo-admin paces its jobs: 500 students or 1000 purged rows per change, and on the file a
// 150 ms pause after each, longer than a waiting station's 100 ms retry.
constexpr std::size_t kImportChunk = 500;
constexpr std::size_t kPurgeChunk = 1000;
constexpr std::chrono::milliseconds kFilePause{150};
constexpr const char* kPurgeBefore = "2020-01-01";  // every old row, no card of the station

const ClockFields kNow = ClockFields::FromClockText("Wed Mar 11 09:41:07 2026\n");

std::string Dni(long n) {
    char text[24];
    std::snprintf(text, sizeof text, "%08ld", n);
    return text;
}

std::vector<accessdb::StudentRecord> ImportedStudents() {
    std::vector<accessdb::StudentRecord> students;
    students.reserve(kImported);
    for (long i = 0; i < kImported; ++i) {
        students.push_back({Dni(kFirstImportedDni + i * 7 % kImported), "Ana", "Pérez", "Gil",
                            "1,3,5,", "0", "0", "1", "01/01/20", "31/12/20"});
    }
    return students;
}

class NoProgress : public admin::Progress {
  public:
    void Update(std::size_t, std::size_t) override {}
    void Finish() override {}
};

// ---------------------------------------------------------------------------------------------
// The station.

// What the station does for one card (the cycle's decide-and-record, without the door).
void StationCard(const accessdb::StorageLocation& location, const std::string& dni) {
    accessdb::Connection db =
        accessdb::Connection::Open(location, accessdb::OpenMode::ExistingOnly);
    const Verdict verdict = AccessRules::Decide(db, dni, '5', kNow);
    if (!verdict.grant) {
        throw std::runtime_error(
            "card " + dni + " was not granted: " + verdict.errorDescription.value_or("refused"));
    }
    db.AppendAccess({dni, kNow.fecha, kNow.hora, "5"});
    AttemptOutcome outcome = OutcomeOf(verdict, '5');
    db.AppendAttempt({dni, kNow.fecha, kNow.hora, "5", "puesto-bulk", std::move(outcome.resultado),
                      std::move(outcome.motivo)});
}

// Presents a card every `interval` from construction until Stop(); each card's time from the
// start of its database work to its end.
class Station {
  public:
    Station(accessdb::StorageLocation location, std::chrono::milliseconds interval)
        : m_location(std::move(location)), m_interval(interval), m_thread([this] { Run(); }) {}
    ~Station() { Stop(); }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    std::vector<double> Stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (!m_failure.empty()) {
            throw std::runtime_error("a card failed: " + m_failure);
        }
        return m_cardMs;
    }

  private:
    void Run() {
        auto next = Clock::now();
        long card = 0;
        while (!m_stop) {
            std::this_thread::sleep_until(next);
            const auto before = Clock::now();
            try {
                StationCard(m_location, Dni(card++ * 7 % kStationStudents));
            } catch (const std::exception& failure) {
                m_failure = failure.what();
                return;
            }
            m_cardMs.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - before).count());
            next += m_interval;
        }
    }

    accessdb::StorageLocation m_location;
    std::chrono::milliseconds m_interval;
    std::atomic<bool> m_stop{false};
    std::vector<double> m_cardMs;
    std::string m_failure;
    std::thread m_thread;
};

// ---------------------------------------------------------------------------------------------
// The server (as bench_server makes it: TARVO_BENCH_PG, else a private cluster).

PgResult PgRun(PGconn* connection, const std::string& sql,
               ExecStatusType expected = PGRES_COMMAND_OK) {
    PgResult result(PQexec(connection, sql.c_str()));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != expected && status != PGRES_TUPLES_OK) {
        throw std::runtime_error(sql.substr(0, 80) + ": " + PQerrorMessage(connection));
    }
    return result;
}

// A fresh database `name` on the server, with the programs' own schema.
std::string FreshDatabase(const std::string& name) {
    PgConnection admin = PgConnect(TheServer().ConnectionString());
    PgRun(admin.get(), "DROP DATABASE IF EXISTS " + name);
    PgRun(admin.get(), "CREATE DATABASE " + name);
    const std::string conninfo = TheServer().Database(name);
    accessdb::Connection::Open(accessdb::StorageLocation::Server(conninfo),
                               accessdb::OpenMode::CreateIfMissing);
    return conninfo;
}

// ---------------------------------------------------------------------------------------------
// The databases: the station's students who may pass door 5, and 10^6 old rows to purge.

std::filesystem::path FreshFile(const std::string& name) {
    const auto folder = std::filesystem::path("bench-data") / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto file = folder / "Alumnos.mdb";
    accessdb::Connection::Open(file, accessdb::OpenMode::CreateIfMissing);
    return file;
}

accessdb::StorageLocation FileSite() {
    const auto file = FreshFile("bulk-site");
    bench::sqlite::Database db = bench::sqlite::Open(file);
    sqlite3* raw = db.get();
    bench::sqlite::Exec(raw, "PRAGMA synchronous = OFF");
    bench::sqlite::Exec(raw, "BEGIN");
    {
        bench::sqlite::Statement student = bench::sqlite::Prepare(
            raw,
            "INSERT INTO Alumnos VALUES (?, 'Ana', 'Pérez', 'Gil', '1,3,5,', '0', '0', '1', "
            "'01/01/20', '31/12/20')");
        for (long i = 0; i < kStationStudents; ++i) {
            bench::sqlite::BindInt(raw, student.get(), 1, i);
            bench::sqlite::Check(raw, sqlite3_step(student.get()), SQLITE_DONE, "student");
            sqlite3_reset(student.get());
        }
    }
    {
        bench::sqlite::Statement access = bench::sqlite::Prepare(
            raw,
            "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (?, '15/07/2014', "
            "'10:00:00', '5')");
        for (long i = 0; i < kOldAccesses; ++i) {
            bench::sqlite::BindInt(raw, access.get(), 1, i % kStationStudents);
            bench::sqlite::Check(raw, sqlite3_step(access.get()), SQLITE_DONE, "access");
            sqlite3_reset(access.get());
        }
    }
    {
        bench::sqlite::Statement attempt = bench::sqlite::Prepare(
            raw,
            "INSERT INTO Intentos (DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo) "
            "VALUES (?, '15/07/2014', '10:00:00', '5', 'puesto-1', 'concedido', '')");
        for (long i = 0; i < kOldAttempts; ++i) {
            const std::string dni = Dni(i % kStationStudents);
            bench::sqlite::BindText(raw, attempt.get(), 1, dni.c_str());
            bench::sqlite::Check(raw, sqlite3_step(attempt.get()), SQLITE_DONE, "attempt");
            sqlite3_reset(attempt.get());
        }
    }
    bench::sqlite::Exec(raw, "COMMIT");
    bench::sqlite::Close(std::move(db));
    return file;
}

accessdb::StorageLocation ServerSite() {
    const std::string conninfo = FreshDatabase("tarvo_bench_bulk");
    PgConnection db = PgConnect(conninfo);
    const std::string students = std::to_string(kStationStudents);
    PgRun(db.get(),
          "INSERT INTO alumnos SELECT i, 'Ana', 'Pérez', 'Gil', '1,3,5,', '0', '0', "
          "'1', '01/01/20', '31/12/20' FROM generate_series(0, " +
              students + " - 1) AS i");
    PgRun(db.get(), "INSERT INTO picadas (dni, fecha, hora, puerta) SELECT i % " + students +
                        ", '15/07/2014', '10:00:00', '5' FROM generate_series(1, " +
                        std::to_string(kOldAccesses) + ") AS i");
    PgRun(db.get(),
          "INSERT INTO intentos (dni, fecha, hora, puerta, puesto, resultado, motivo) SELECT "
          "lpad((i % " +
              students +
              ")::text, 8, '0'), '15/07/2014', '10:00:00', '5', "
              "'puesto-1', 'concedido', '' FROM generate_series(1, " +
              std::to_string(kOldAttempts) + ") AS i");
    PgRun(db.get(), "VACUUM ANALYZE");
    return accessdb::StorageLocation::Server(conninfo);
}

// ---------------------------------------------------------------------------------------------
// The floors: the same students in one bulk write, nothing else on the database.

double FileFloorSeconds(const std::vector<accessdb::StudentRecord>& students) {
    const auto file = FreshFile("bulk-floor");
    const auto start = Clock::now();
    bench::sqlite::Database db = bench::sqlite::Open(file);
    sqlite3* raw = db.get();
    bench::sqlite::Exec(raw, "PRAGMA synchronous = FULL");
    bench::sqlite::Exec(raw, "BEGIN IMMEDIATE");
    {
        bench::sqlite::Statement insert = bench::sqlite::Prepare(
            raw, "INSERT INTO Alumnos VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        for (const accessdb::StudentRecord& s : students) {
            bench::sqlite::BindInt(raw, insert.get(), 1, std::stoll(s.dni));
            const std::string* texts[] = {&s.nombre,          &s.apellido1, &s.apellido2,
                                          &s.puerta,          &s.agosto,    &s.finDeSemana,
                                          &s.periodoTemporal, &s.fechaA,    &s.fechaB};
            for (int c = 0; c < 9; ++c) {
                bench::sqlite::BindText(raw, insert.get(), c + 2, texts[c]->c_str());
            }
            bench::sqlite::Check(raw, sqlite3_step(insert.get()), SQLITE_DONE, "floor insert");
            sqlite3_reset(insert.get());
        }
    }
    bench::sqlite::Exec(raw, "COMMIT");
    bench::sqlite::Close(std::move(db));
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ServerFloorSeconds(const std::vector<accessdb::StudentRecord>& students) {
    const std::string conninfo = FreshDatabase("tarvo_bench_bulk_floor");
    const auto start = Clock::now();
    PgConnection db = PgConnect(conninfo);
    PgRun(db.get(),
          "COPY alumnos (dni, nombre, apellido1, apellido2, puerta, agosto, fin_de_semana, "
          "periodo_temporal, fechaa, fechab) FROM STDIN",
          PGRES_COPY_IN);
    std::string block;
    for (const accessdb::StudentRecord& s : students) {
        block += std::to_string(std::stoll(s.dni)) + '\t' + s.nombre + '\t' + s.apellido1 + '\t' +
                 s.apellido2 + '\t' + s.puerta + '\t' + s.agosto + '\t' + s.finDeSemana + '\t' +
                 s.periodoTemporal + '\t' + s.fechaA + '\t' + s.fechaB + '\n';
    }
    if (PQputCopyData(db.get(), block.data(), static_cast<int>(block.size())) != 1 ||
        PQputCopyEnd(db.get(), nullptr) != 1) {
        throw std::runtime_error(std::string("copy: ") + PQerrorMessage(db.get()));
    }
    const PgResult done(PQgetResult(db.get()));
    if (!done || PQresultStatus(done.get()) != PGRES_COMMAND_OK) {
        throw std::runtime_error(std::string("copy: ") + PQerrorMessage(db.get()));
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---------------------------------------------------------------------------------------------
// The benchmark.

struct CardFigures {
    std::size_t cards = 0;
    double p50 = 0;
    double p99 = 0;
    double worst = 0;
};

CardFigures Figures(const std::vector<double>& cardMs) {
    if (cardMs.empty()) {
        throw std::runtime_error("no card was presented");
    }
    return {cardMs.size(), bench::detail::Quantile(cardMs, 0.5),
            bench::detail::Quantile(cardMs, 0.99), *std::max_element(cardMs.begin(), cardMs.end())};
}

// Runs `job` while the station presents cards; the job's seconds and the cards' times.
double BesideStation(const accessdb::StorageLocation& location, std::chrono::milliseconds interval,
                     const std::function<void()>& job, std::vector<double>& cardMs) {
    Station station(location, interval);
    std::this_thread::sleep_for(interval / 2);  // the first card before the job starts
    const auto start = Clock::now();
    job();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    cardMs = station.Stop();
    return seconds;
}

void BulkBesideStation(benchmark::State& state) {
    const bool server = state.range(0) == 1;
    const std::chrono::milliseconds interval(state.range(1));
    try {
        for (auto _ : state) {
            const accessdb::StorageLocation location = server ? ServerSite() : FileSite();
            const std::vector<accessdb::StudentRecord> students = ImportedStudents();
            admin::ChunkPacing pacing;
            pacing.pause = server ? std::chrono::milliseconds(0) : kFilePause;
            pacing.sleep = [](std::chrono::milliseconds pause) {
                std::this_thread::sleep_for(pause);
            };
            auto tables = accessdb::OpenAdminTables(location, accessdb::OpenMode::ExistingOnly);

            std::vector<double> importCards;
            pacing.rows = kImportChunk;
            const double importSeconds = BesideStation(
                location, interval,
                [&] {
                    NoProgress progress;
                    admin::WriteStudents(*tables, students, false, pacing, progress);
                },
                importCards);

            std::vector<double> purgeCards;
            pacing.rows = kPurgeChunk;
            std::int64_t purged = 0;
            const double purgeSeconds = BesideStation(
                location, interval,
                [&] { purged = admin::PurgeBefore(*tables, kPurgeBefore, pacing); }, purgeCards);
            tables.reset();
            if (purged != kOldAccesses + kOldAttempts) {
                throw std::runtime_error("the purge took " + std::to_string(purged) + " rows");
            }

            const double floorSeconds =
                server ? ServerFloorSeconds(students) : FileFloorSeconds(students);
            state.SetIterationTime(importSeconds + purgeSeconds);

            const CardFigures during = Figures(importCards);
            const CardFigures purging = Figures(purgeCards);
            const double importRate = kImported / importSeconds;
            const double floorRate = kImported / floorSeconds;
            const double pauses = server ? 0.0
                                         : static_cast<double>((kImported - 1) / kImportChunk) *
                                               kFilePause.count() / 1e3;
            state.counters["import_s"] = importSeconds;
            state.counters["import_rows_per_s"] = importRate;
            state.counters["floor_rows_per_s"] = floorRate;
            state.counters["purge_s"] = purgeSeconds;
            state.counters["import_max_ms"] = during.worst;
            state.counters["purge_max_ms"] = purging.worst;
            std::string label =
                bench::detail::Format("import %.1f s (%.0f/s; pauses %.1f s)", importSeconds,
                                      importRate, pauses) +
                bench::detail::Format(", floor %.2f s (%.0f/s): x%.1f slower", floorSeconds,
                                      floorRate, floorRate / importRate) +
                " | cards during import: " + std::to_string(during.cards) +
                bench::detail::Format(", p50 %.1f ms, p99 %.1f ms, max %.1f ms", during.p50,
                                      during.p99, during.worst) +
                bench::detail::Format(" | purge of 10^6 rows %.1f s", purgeSeconds) +
                ", cards: " + std::to_string(purging.cards) +
                bench::detail::Format(", p50 %.1f ms, p99 %.1f ms, max %.1f ms", purging.p50,
                                      purging.p99, purging.worst);
            state.SetLabel(label);
        }
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
    }
}

}  // namespace

// {engine: 0 the file, 1 the server; card interval in ms}: every 2 s as at a door, and every
// 100 ms so that the worst wait is sampled often.
BENCHMARK(BulkBesideStation)
    ->ArgNames({"server", "card_ms"})
    ->Args({0, 100})
    ->Args({0, 2000})
    ->Args({1, 100})
    ->Args({1, 2000})
    ->Iterations(1)
    ->UseManualTime();

int main(int argc, char** argv) { return bench::Main(argc, argv); }
