// What the controller does for every card and the console for every search, against the same
// work done with the bare SQLite C API on the same file and settings (the floor).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>

#include "BenchData.h"
#include "accessdb/Connection.h"
#include "controller/cycle/AccessRules.h"

namespace {

const ClockFields kNow = ClockFields::FromClockText("Wed Mar 11 09:41:07 2026\n");

long long g_card = 0;
std::string NextCardDni(long students) { return bench::Dni((g_card++ * 7919) % students); }

void CardThroughTheLayer(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    for (auto _ : state) {
        const std::string dni = NextCardDni(state.range(0));
        accessdb::Connection db =
            accessdb::Connection::Open(file, accessdb::OpenMode::ExistingOnly);
        const Verdict verdict = AccessRules::Decide(db, dni, '5', kNow);
        if (verdict.grant) {
            db.AppendAccess({dni, kNow.fecha, kNow.hora, "5"});
        }
        benchmark::DoNotOptimize(verdict.grant);
    }
}

void CardFloor(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    for (auto _ : state) {
        bench::CardFloorOnce(file, NextCardDni(state.range(0)), kNow.fecha.c_str(),
                             kNow.hora.c_str());
    }
}

void SearchThroughTheLayer(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    for (auto _ : state) {
        accessdb::Connection db =
            accessdb::Connection::Open(file, accessdb::OpenMode::CreateIfMissing);
        benchmark::DoNotOptimize(db.FindStudent(bench::kSearchedDni));
        const auto history = db.ListAccesses(bench::kSearchedDni);
        if (history.size() < 100) {
            state.SkipWithError("history rows missing");
        }
    }
}

void SearchFloor(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db, 8000);
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM Alumnos WHERE DNI = ?", -1, &select, nullptr);
        sqlite3_bind_int64(select, 1, 42);
        if (sqlite3_step(select) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(select); ++c) {
                benchmark::DoNotOptimize(sqlite3_column_text(select, c));
            }
        }
        sqlite3_finalize(select);
        sqlite3_prepare_v2(db,
                           "SELECT Fecha, Hora, Puerta FROM Picadas WHERE DNI = ? ORDER BY rowid",
                           -1, &select, nullptr);
        sqlite3_bind_int64(select, 1, 42);
        int rows = 0;
        while (sqlite3_step(select) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_text(select, 0));
            ++rows;
        }
        sqlite3_finalize(select);
        sqlite3_close(db);
        benchmark::DoNotOptimize(rows);
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    bench::ApplySizes(b, {10'000, 100'000}, {100'000, 1'000'000});
}

}  // namespace

BENCHMARK(CardThroughTheLayer)->Apply(Sizes);
BENCHMARK(CardFloor)->Apply(Sizes);
BENCHMARK(SearchThroughTheLayer)->Apply(Sizes);
BENCHMARK(SearchFloor)->Apply(Sizes);
BENCHMARK_MAIN();
