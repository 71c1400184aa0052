#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "accessdb/Connection.h"

// Databases of a given size, built once and kept beside the benchmark binaries: a 10^7-row
// history takes a while to write.
namespace bench {

inline constexpr const char* kSearchedDni = "00000042";  // holds 100 history rows

inline std::string Dni(long n) {
    char text[24];
    std::snprintf(text, sizeof text, "%08ld", n);
    return text;
}

inline void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", error);
        std::abort();
    }
}

inline std::filesystem::path Dataset(long students, long accesses) {
    char name[64];
    std::snprintf(name, sizeof name, "s%ld-p%ld", students, accesses);
    const auto folder = std::filesystem::path("bench-data") / name;
    const auto file = folder / "Alumnos.mdb";
    if (std::filesystem::exists(folder / "complete")) {
        return file;
    }
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    accessdb::Connection::Open(file, accessdb::OpenMode::CreateIfMissing);
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    Exec(db, "PRAGMA synchronous = OFF");
    Exec(db, "BEGIN");
    sqlite3_stmt* student = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Alumnos VALUES (?, 'Ana', 'Pérez', 'Gil', '1,3,5,', '0', '0', "
                       "'1', '01/01/20', '31/12/20')",
                       -1, &student, nullptr);
    for (long i = 0; i < students; ++i) {
        sqlite3_bind_int64(student, 1, i * 7 % students);  // keys not in insertion order
        sqlite3_step(student);
        sqlite3_reset(student);
    }
    sqlite3_finalize(student);
    sqlite3_stmt* access = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Picadas VALUES (?, '15/07/2014', '10:00:00', '5')", -1,
                       &access, nullptr);
    unsigned long seed = 12345;
    for (long i = 0; i < accesses; ++i) {
        seed = seed * 6364136223846793005UL + 1442695040888963407UL;
        // The searched student's hundred rows are spread through the whole table.
        const bool searched = i % (accesses / 100) == 0 && i / (accesses / 100) < 100;
        const long dni = searched ? 42 : static_cast<long>((seed >> 33) % students);
        sqlite3_bind_int64(access, 1, (dni == 42 && !searched) ? 43 : dni);
        sqlite3_step(access);
        sqlite3_reset(access);
    }
    sqlite3_finalize(access);
    Exec(db, "COMMIT");
    sqlite3_close(db);
    std::fclose(std::fopen((folder / "complete").c_str(), "w"));
    return file;
}

// The floor of one card: the same work as the controller's, written directly against the
// SQLite C API with the same settings: open, one prepared SELECT, one INSERT in a
// transaction, close.
inline void CardFloorOnce(const std::filesystem::path& file, const std::string& dni,
                          const char* fecha, const char* hora) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 8000);
    sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM Alumnos WHERE DNI = ?", -1, &select, nullptr);
    sqlite3_bind_int64(select, 1, std::atoll(dni.c_str()));
    const bool found = sqlite3_step(select) == SQLITE_ROW;
    for (int c = 0; found && c < sqlite3_column_count(select); ++c) {
        benchmark::DoNotOptimize(sqlite3_column_text(select, c));
    }
    sqlite3_finalize(select);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (?, ?, ?, ?)", -1,
                       &insert, nullptr);
    sqlite3_bind_int64(insert, 1, std::atoll(dni.c_str()));
    sqlite3_bind_text(insert, 2, fecha, -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 3, hora, -1, SQLITE_STATIC);
    sqlite3_bind_text(insert, 4, "5", -1, SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Runs a benchmark at two {students, accesses} sizes, and at 10^6 / 10^7 with
// TARVO_BENCH_LARGE set (that history takes minutes to build the first time).
inline void ApplySizes(benchmark::internal::Benchmark* b, std::pair<long, long> small,
                       std::pair<long, long> medium) {
    b->Args({small.first, small.second})->Args({medium.first, medium.second});
    if (std::getenv("TARVO_BENCH_LARGE") != nullptr) {
        b->Args({1'000'000, 10'000'000});
    }
    b->ArgNames({"students", "accesses"})
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

}  // namespace bench
