// A door station's card and a console's search on the site's database server, against the same
// statements sent directly through libpq on the same server (a connection per card, as the
// station makes), and many stations presenting cards at once to one server: a card's database
// time by how many stations share the server.
//
// The server is the one TARVO_BENCH_PG names (a libpq connection string or URI), else a private
// cluster scripts/pg-cluster.sh starts in a temporary folder and destroys at the end.
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
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchData.h"
#include "BenchServer.h"
#include "Rounds.h"
#include "SourceTree.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/StationDatabase.h"
#include "controller/cycle/AccessRules.h"
#include "controller/cycle/StationName.h"
#include "controller/cycle/Verdict.h"

using namespace tarvo;
using bench::PgConnect;
using bench::PgConnection;
using bench::PgResult;
using bench::TheServer;

namespace {

constexpr int kCardsPerRound = 20;
constexpr int kSearchesPerRound = 20;
constexpr auto kCardInterval = std::chrono::seconds(2);  // each station's pace in the fan-in
constexpr auto kFanInWindow = std::chrono::seconds(20);  // per station count
constexpr long kFanInStudents = 100'000;

const ClockFields kNow = ClockFields::FromClockText("Wed Mar 11 09:41:07 2026\n");

// ---------------------------------------------------------------------------------------------
// libpq without the engine: the floor's connection and statements, every result checked.

PgResult PgRun(PGconn* connection, const char* sql, std::vector<const char*> values = {},
               std::vector<Oid> types = {}) {
    PgResult result(PQexecParams(connection, sql, static_cast<int>(values.size()),
                                 types.empty() ? nullptr : types.data(), values.data(), nullptr,
                                 nullptr, 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        throw std::runtime_error(std::string(sql) + ": " + PQerrorMessage(connection));
    }
    return result;
}

constexpr Oid kInt8 = 20;
constexpr Oid kText = 25;

// The station's statements for one granted card: look the student up, append the access,
// append the attempt.
// A card's statements on a connection already made: the lookup, then the access and the
// attempt each with its key in one statement, as the station writes them.
void FloorCardOn(PGconn* raw, const std::string& dni, const std::string& station) {
    static std::atomic<std::uint64_t> keys{0};
    const std::string key = "floor-" + station + "-" +
                            std::to_string(std::chrono::system_clock::now().time_since_epoch() /
                                           std::chrono::microseconds(1)) +
                            "-" + std::to_string(++keys);
    const std::string accessKey = key + "a";
    const std::string attemptKey = key + "i";
    const std::string number = std::to_string(std::stoll(dni));
    const PgResult student =
        PgRun(raw, "SELECT * FROM alumnos WHERE dni = $1", {number.c_str()}, {kInt8});
    if (PQntuples(student.get()) != 1) {
        throw std::runtime_error("floor: student " + dni + " missing");
    }
    PgRun(raw,
          "WITH k AS (INSERT INTO anotados (clave, dia) VALUES ($1, '2026-03-11'))"
          " INSERT INTO picadas (dni, fecha, hora, puerta) VALUES ($2, $3, $4, $5)",
          {accessKey.c_str(), number.c_str(), kNow.fecha.c_str(), kNow.hora.c_str(), "5"},
          {kText, kInt8, kText, kText, kText});
    PgRun(raw,
          "WITH k AS (INSERT INTO anotados (clave, dia) VALUES ($1, '2026-03-11'))"
          " INSERT INTO intentos (dni, fecha, hora, puerta, puesto, resultado, motivo)"
          " VALUES ($2, $3, $4, $5, $6, $7, $8)",
          {attemptKey.c_str(), dni.c_str(), kNow.fecha.c_str(), kNow.hora.c_str(), "5",
           station.c_str(), accessdb::kOutcomeGranted, ""},
          {kText, kText, kText, kText, kText, kText, kText, kText});
}

void FloorCard(const std::string& conninfo, const std::string& dni, const std::string& station) {
    PgConnection connection = PgConnect(conninfo);
    FloorCardOn(connection.get(), dni, station);
}

// The console's statements for one search; the count of history rows.
int FloorSearch(const std::string& conninfo, long dni) {
    PgConnection connection = PgConnect(conninfo);
    PGconn* raw = connection.get();
    const std::string number = std::to_string(dni);
    const PgResult student =
        PgRun(raw, "SELECT * FROM alumnos WHERE dni = $1", {number.c_str()}, {kInt8});
    if (PQntuples(student.get()) != 1) {
        throw std::runtime_error("floor: searched student missing");
    }
    const PgResult history =
        PgRun(raw, "SELECT fecha, hora, puerta FROM picadas WHERE dni = $1 ORDER BY orden",
              {number.c_str()}, {kInt8});
    return PQntuples(history.get());
}

// ---------------------------------------------------------------------------------------------
// The server and its databases.

// A database with `students` students who may all pass door 5 and ten times as many accesses,
// the searched student's hundred spread through the whole history; made once per server.
std::string Dataset(long students) {
    const std::string name = "tarvo_bench_" + std::to_string(students);
    bench::BenchServer& server = TheServer();
    const std::string conninfo = server.Database(name);
    {
        PgConnection admin = PgConnect(server.ConnectionString());
        const PgResult found = PgRun(admin.get(), "SELECT 1 FROM pg_database WHERE datname = $1",
                                     {name.c_str()}, {kText});
        if (PQntuples(found.get()) == 1) {
            PgConnection db = PgConnect(conninfo);
            const PgResult complete =
                PgRun(db.get(), "SELECT to_regclass('bench_complete') IS NOT NULL");
            if (std::string(PQgetvalue(complete.get(), 0, 0)) == "t") {
                return conninfo;
            }
            db.reset();
            PgRun(admin.get(), ("DROP DATABASE " + name).c_str());
        }
        PgRun(admin.get(), ("CREATE DATABASE " + name).c_str());
    }
    // The programs' own schema, as a console makes it on an empty database.
    accessdb::Connection::Open(accessdb::StorageLocation::Server(conninfo),
                               accessdb::OpenMode::CreateIfMissing);
    PgConnection db = PgConnect(conninfo);
    const std::string n = std::to_string(students);
    const std::string accesses = std::to_string(students * 10);
    const std::string every = std::to_string(students * 10 / 100);
    // Keys out of order (7 is prime to every power of ten).
    PgRun(db.get(), ("INSERT INTO alumnos SELECT i * 7 % " + n +
                     ", 'Ana', 'Pérez', 'Gil', '1,3,5,', '0', '0', '1', '01/01/20', '31/12/20'"
                     " FROM generate_series(0, " +
                     n + " - 1) AS i")
                        .c_str());
    // The searched student gets exactly every `every`-th row; everyone else's rows avoid him.
    const std::string searched = std::to_string(bench::kSearchedDni);
    PgRun(db.get(), ("INSERT INTO picadas (dni, fecha, hora, puerta) SELECT CASE WHEN i % " +
                     every + " = 0 AND i / " + every + " < 100 THEN " + searched +
                     " WHEN h = " + searched + " THEN " + searched +
                     " + 1 ELSE h END, '15/07/2014', "
                     "'10:00:00', '5' FROM (SELECT i, (hashint8(i) & 2147483647) % " +
                     n + " AS h FROM generate_series(0, " + accesses + " - 1) AS i) AS rows")
                        .c_str());
    PgRun(db.get(), "VACUUM ANALYZE");
    PgRun(db.get(), "CREATE TABLE bench_complete ()");
    return conninfo;
}

// ---------------------------------------------------------------------------------------------
// The benchmarks.

// What the station does for one card (ControllerCycle's DecideAndRecord, without the door), on
// the station's session.
void StationCard(accessdb::StationDatabase& database, const std::string& dni,
                 const std::string& station) {
    accessdb::Connection db = database.ForCard();
    const Verdict verdict = AccessRules::Decide(db, dni, '5', kNow);
    if (!verdict.grant) {
        throw std::runtime_error("card " + dni + " was not granted");
    }
    // Each record with its key, as the station writes it (its journal is on its own disk).
    static const std::string run = std::to_string(
        std::chrono::system_clock::now().time_since_epoch() / std::chrono::microseconds(1));
    static std::atomic<std::uint64_t> keys{0};
    const std::string key = station + "-" + run + "-" + std::to_string(++keys);
    db.AppendAccessOnce(key + "a", {dni, kNow.fecha, kNow.hora, "5"});
    AttemptOutcome outcome = OutcomeOf(verdict, '5');
    db.AppendAttemptOnce(key + "i", {dni, kNow.fecha, kNow.hora, "5", station,
                                     std::move(outcome.resultado), std::move(outcome.motivo)});
}

void Card(benchmark::State& state) {
    const long students = state.range(0);
    std::string conninfo;
    try {
        conninfo = Dataset(students);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    accessdb::StationDatabase database(accessdb::StorageLocation::Server(conninfo));
    const std::string station = StationName();
    bench::CardSequence cards(students);
    const PgConnection kept = PgConnect(conninfo);
    // Floors: libpq with a connection per card, as stations did before they kept one, and on
    // a connection kept as the station keeps its session.
    bench::CompareInRounds(
        state, kCardsPerRound,
        {"card", [&] { StationCard(database, bench::Dni(cards.Next()), station); }},
        {{"libpq", [&] { FloorCard(conninfo, bench::Dni(cards.Next()), station); }},
         {"kept", [&] { FloorCardOn(kept.get(), bench::Dni(cards.Next()), station); }}});
}

void Search(benchmark::State& state) {
    std::string conninfo;
    try {
        conninfo = Dataset(state.range(0));
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    const auto location = accessdb::StorageLocation::Server(conninfo);
    const std::string dni = bench::Dni(bench::kSearchedDni);
    bench::CompareInRounds(state, kSearchesPerRound,
                           {"search",
                            [&] {
                                accessdb::Connection db = accessdb::Connection::Open(
                                    location, accessdb::OpenMode::CreateIfMissing);
                                benchmark::DoNotOptimize(db.FindStudent(dni));
                                if (db.ListAccesses(dni).size() != 100) {
                                    throw std::runtime_error("history rows missing");
                                }
                            }},
                           {{"libpq", [&] {
                                 if (FloorSearch(conninfo, bench::kSearchedDni) != 100) {
                                     throw std::runtime_error("history rows missing");
                                 }
                             }}});
}

// `state.range(0)` stations, each a thread presenting a card every 2 s for the window, each
// card through the code on its station's session; the time of each card's database work.
void FanIn(benchmark::State& state) {
    const int stations = static_cast<int>(state.range(0));
    std::string conninfo;
    try {
        conninfo = Dataset(kFanInStudents);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    const auto location = accessdb::StorageLocation::Server(conninfo);
    std::mutex mutex;
    std::vector<double> cardMs;
    std::atomic<int> failures{0};
    std::string firstFailure;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        const auto end = start + kFanInWindow;
        std::vector<std::thread> threads;
        for (int s = 0; s < stations; ++s) {
            threads.emplace_back([&, s] {
                const std::string station = "puesto-" + std::to_string(s);
                accessdb::StationDatabase database(location);
                bench::CardSequence cards(kFanInStudents);
                for (int skip = 0; skip < s; ++skip) {
                    cards.Next();  // each station its own students
                }
                // Stations spread evenly over the interval, then each on its own beat.
                auto next = start + kCardInterval * s / stations;
                std::vector<double> mine;
                while (next < end) {
                    std::this_thread::sleep_until(next);
                    const auto before = std::chrono::steady_clock::now();
                    try {
                        StationCard(database, bench::Dni(cards.Next()), station);
                    } catch (const std::exception& failure) {
                        std::lock_guard<std::mutex> lock(mutex);
                        if (failures++ == 0) {
                            firstFailure = failure.what();
                        }
                    }
                    const std::chrono::duration<double, std::milli> took =
                        std::chrono::steady_clock::now() - before;
                    mine.push_back(took.count());
                    next += kCardInterval;
                }
                std::lock_guard<std::mutex> lock(mutex);
                cardMs.insert(cardMs.end(), mine.begin(), mine.end());
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        state.SetIterationTime(std::chrono::duration<double>(kFanInWindow).count());
    }
    if (cardMs.empty()) {
        state.SkipWithError("no card was presented");
        return;
    }
    const double p50 = bench::detail::Quantile(cardMs, 0.5);
    const double p99 = bench::detail::Quantile(cardMs, 0.99);
    const double worst = *std::max_element(cardMs.begin(), cardMs.end());
    state.counters["cards"] = static_cast<double>(cardMs.size());
    state.counters["p50_ms"] = p50;
    state.counters["p99_ms"] = p99;
    state.counters["max_ms"] = worst;
    state.counters["failed"] = failures.load();
    const std::string summary =
        std::to_string(cardMs.size()) + " cards" +
        bench::detail::Format(": p50 %.2f ms, p99 %.2f ms, max %.2f ms", p50, p99, worst);
    if (failures > 0) {
        const std::string failed = summary + "; " + std::to_string(failures.load()) +
                                   " failed, the first: " + firstFailure;
        state.SkipWithError(failed.c_str());
        return;
    }
    state.SetLabel(summary);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10'000)->Arg(100'000);
    if (std::getenv("TARVO_BENCH_LARGE") != nullptr) {
        b->Arg(1'000'000);
    }
    b->ArgName("students")->Iterations(25)->UseManualTime();
}

}  // namespace

BENCHMARK(Card)->Apply(Sizes);
BENCHMARK(Search)->Apply(Sizes);
BENCHMARK(FanIn)
    ->ArgName("stations")
    ->Arg(1)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Arg(1000)
    ->Iterations(1)
    ->UseManualTime();

int main(int argc, char** argv) { return bench::Main(argc, argv); }
