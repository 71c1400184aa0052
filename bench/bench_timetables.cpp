// A card's decision with timetables: a student timetable, a door timetable and 50 days without
// school, against the same card on a site that has none (the same code reading empty tables)
// and against the card as it was before timetables existed (no read at all). Each card is the
// controller's whole database work: look up and decide, judge the timetables, append the
// access and the attempt; on the file with a connection opened and closed per card, on the
// server on the station's kept session.
//
// The server is the one TARVO_BENCH_PG names, else a private cluster started in a temporary
// folder and destroyed at the end.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "BenchData.h"
#include "BenchServer.h"
#include "Rounds.h"
#include "accessdb/Connection.h"
#include "accessdb/StationDatabase.h"
#include "accessdb/Timetables.h"
#include "controller/cycle/AccessRules.h"
#include "controller/cycle/StationName.h"
#include "controller/cycle/Verdict.h"
#include "timetables/LocalMoment.h"
#include "timetables/TimetableDecision.h"

using namespace tarvo;

namespace {

constexpr int kCardsPerRound = 20;
constexpr int kDaysWithoutSchool = 50;

const ClockFields kNow = ClockFields::FromClockText("Wed Mar 11 09:41:07 2026\n");

// The same moment as a clock reading, in the machine's zone: within school hours.
std::time_t Moment() {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 2;
    local.tm_mday = 11;
    local.tm_hour = 9;
    local.tm_min = 41;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// What the timetables of a benchmark's site hold: every student keeps to "Alumnado" (Monday
// to Friday 07:45-15:15), door 5 to "Puerta 5" (every day 07:00-22:00), and 50 single days are
// without school, none of them the card's.
void AddTimetables(accessdb::Connection& db) {
    accessdb::TimetableStore store(db.Session());
    accessdb::Timetable pupils{"Alumnado", false, {}};
    for (int day = 0; day < 5; ++day) {
        pupils.dias[day] = {{465, 915}};
    }
    store.Save(pupils);
    accessdb::Timetable door{"Puerta 5", true, {}};
    for (auto& day : door.dias) {
        day = {{420, 1320}};
    }
    store.Save(door);
    store.AssignDoor('5', "Puerta 5");
    db.Session().Execute(
        "INSERT INTO Horarios_alumnos (DNI, Horario) SELECT DNI, 'Alumnado' "
        "FROM Alumnos");
    for (int i = 0; i < kDaysWithoutSchool; ++i) {
        char day[16];
        // Two a month from September 2025 on: the 1st and the 20th.
        std::snprintf(day, sizeof day, "%04d-%02d-%02d", 2025 + (8 + i / 2) / 12,
                      (8 + i / 2) % 12 + 1, i % 2 == 0 ? 1 : 20);
        store.AddCalendarRange({day, day, "Fiesta"});
    }
}

// Throws unless the site's timetables are the ones the card is judged by.
void CheckKept(accessdb::Connection& db) {
    accessdb::TimetableStore store(db.Session());
    const auto card = store.ForCard(bench::Dni(1), '5', "2026-03-11", 3);
    if (!card.alumno || !card.puerta || store.Calendar().size() != kDaysWithoutSchool) {
        throw std::runtime_error("the dataset's timetables are missing");
    }
}

// A copy of the dataset with the timetables above.
std::filesystem::path WithTimetables(const std::filesystem::path& dataset) {
    const auto folder = dataset.parent_path().string() + "-horarios";
    const auto file = std::filesystem::path(folder) / "Alumnos.mdb";
    if (std::filesystem::exists(std::filesystem::path(folder) / "complete")) {
        return file;
    }
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(dataset, file);
    accessdb::Connection db = accessdb::Connection::Open(file, accessdb::OpenMode::ExistingOnly);
    AddTimetables(db);
    std::fclose(std::fopen((std::filesystem::path(folder) / "complete").c_str(), "w"));
    return file;
}

void CardOn(accessdb::Connection& db, const std::string& dni, const std::string& station,
            bool timetables, std::time_t when) {
    Verdict verdict;
    if (timetables) {
        // As the station reads a card: the student and the timetables in one statement.
        const timetables::LocalMoment local = timetables::LocalMomentOf(when);
        const accessdb::CardLookup lookup =
            accessdb::LookUpCard(db.Session(), dni, '5', local.isoDay, local.weekday);
        verdict = timetables::ApplyTimetables(AccessRules::Decide(lookup.student, dni, '5', kNow),
                                              lookup.timetables, dni, local);
    } else {
        verdict = AccessRules::Decide(db, dni, '5', kNow);
    }
    if (!verdict.grant) {
        throw std::runtime_error("card " + dni + " was not granted");
    }
    db.AppendAccess({dni, kNow.fecha, kNow.hora, "5"});
    AttemptOutcome outcome = OutcomeOf(verdict, '5');
    db.AppendAttempt({dni, kNow.fecha, kNow.hora, "5", station, std::move(outcome.resultado),
                      std::move(outcome.motivo)});
}

void Card(const std::filesystem::path& file, const std::string& dni, const std::string& station,
          bool timetables, std::time_t when) {
    accessdb::Connection db = accessdb::Connection::Open(file, accessdb::OpenMode::ExistingOnly);
    CardOn(db, dni, station, timetables, when);
}

void CardWithTimetables(benchmark::State& state) {
    const auto plain = bench::Dataset(state.range(0), state.range(1));
    const auto kept = WithTimetables(plain);
    const std::string station = StationName();
    const std::time_t when = Moment();
    bench::CardSequence cards(state.range(0));
    {
        accessdb::Connection db =
            accessdb::Connection::Open(kept, accessdb::OpenMode::ExistingOnly);
        CheckKept(db);
    }
    bench::CompareInRounds(
        state, kCardsPerRound,
        {"timetables", [&] { Card(kept, bench::Dni(cards.Next()), station, true, when); }},
        {{"none_kept", [&] { Card(plain, bench::Dni(cards.Next()), station, true, when); }},
         {"no_check", [&] { Card(plain, bench::Dni(cards.Next()), station, false, when); }}});
}

// A server database of `students` students who may all pass door 5, ten accesses each, with
// the timetables above or without any; made once per server.
std::string ServerDataset(long students, bool timetables) {
    const std::string name =
        "tarvo_bench_horarios_" + std::to_string(students) + (timetables ? "_con" : "_sin");
    bench::BenchServer& server = bench::TheServer();
    const std::string conninfo = server.Database(name);
    const auto run = [](PGconn* connection, const std::string& sql) {
        const std::unique_ptr<PGresult, bench::ResultCloser> result(
            PQexec(connection, sql.c_str()));
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            throw std::runtime_error(sql + ": " + PQerrorMessage(connection));
        }
        return status == PGRES_TUPLES_OK && PQntuples(result.get()) > 0
                   ? std::string(PQgetvalue(result.get(), 0, 0))
                   : std::string();
    };
    {
        bench::PgConnection admin = bench::PgConnect(server.ConnectionString());
        if (run(admin.get(), "SELECT 1 FROM pg_database WHERE datname = '" + name + "'") == "1") {
            bench::PgConnection db = bench::PgConnect(conninfo);
            if (run(db.get(), "SELECT to_regclass('bench_complete') IS NOT NULL") == "t") {
                return conninfo;
            }
            db.reset();
            run(admin.get(), "DROP DATABASE " + name);
        }
        run(admin.get(), "CREATE DATABASE " + name);
    }
    accessdb::Connection made = accessdb::Connection::Open(
        accessdb::StorageLocation::Server(conninfo), accessdb::OpenMode::CreateIfMissing);
    bench::PgConnection db = bench::PgConnect(conninfo);
    const std::string n = std::to_string(students);
    run(db.get(), "INSERT INTO alumnos SELECT i * 7 % " + n +
                      ", 'Ana', 'Pérez', 'Gil', '1,3,5,', '0', '0', '1', '01/01/20', '31/12/20'"
                      " FROM generate_series(0, " +
                      n + " - 1) AS i");
    run(db.get(),
        "INSERT INTO picadas (dni, fecha, hora, puerta) SELECT (hashint8(i) & "
        "2147483647) % " +
            n +
            ", '15/07/2014', '10:00:00', '5' FROM "
            "generate_series(0, " +
            std::to_string(students * 10) + " - 1) AS i");
    if (timetables) {
        AddTimetables(made);
    }
    run(db.get(), "VACUUM ANALYZE");
    run(db.get(), "CREATE TABLE bench_complete ()");
    return conninfo;
}

void ServerCardWithTimetables(benchmark::State& state) {
    const long students = state.range(0);
    std::string with;
    std::string without;
    try {
        with = ServerDataset(students, true);
        without = ServerDataset(students, false);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    accessdb::StationDatabase kept(accessdb::StorageLocation::Server(with));
    accessdb::StationDatabase plain(accessdb::StorageLocation::Server(without));
    {
        accessdb::Connection db = kept.ForCard();
        CheckKept(db);
    }
    const std::string station = StationName();
    const std::time_t when = Moment();
    bench::CardSequence cards(students);
    const auto card = [&](accessdb::StationDatabase& database, bool timetables) {
        accessdb::Connection db = database.ForCard();
        CardOn(db, bench::Dni(cards.Next()), station, timetables, when);
    };
    bench::CompareInRounds(
        state, kCardsPerRound, {"timetables", [&] { card(kept, true); }},
        {{"none_kept", [&] { card(plain, true); }}, {"no_check", [&] { card(plain, false); }}});
}

void Sizes(benchmark::internal::Benchmark* b) {
    bench::ApplySizes(b, {10'000, 100'000}, {100'000, 1'000'000});
}

}  // namespace

BENCHMARK(CardWithTimetables)->Apply(Sizes);
BENCHMARK(ServerCardWithTimetables)
    ->Arg(10'000)
    ->Arg(100'000)
    ->ArgName("students")
    ->Iterations(25)
    ->UseManualTime();

int main(int argc, char** argv) { return bench::Main(argc, argv); }
