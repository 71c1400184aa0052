#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "SqliteFloor.h"
#include "accessdb/Connection.h"

// Databases of a given size, built once and kept in the working folder (`./run bench` runs in
// build/bench/bench): a 10^7-row history takes minutes to write.
namespace bench {

inline constexpr long kSearchedDni = 42;  // holds 100 history rows or more

inline std::string Dni(long n) {
    char text[24];
    std::snprintf(text, sizeof text, "%08ld", n);
    return text;
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
    sqlite::Database db = sqlite::Open(file);
    sqlite3* raw = db.get();
    sqlite::Exec(raw, "PRAGMA synchronous = OFF");
    sqlite::Exec(raw, "BEGIN");
    {
        // Every student may pass door 5; the period restriction lies in the past.
        sqlite::Statement student =
            sqlite::Prepare(raw,
                            "INSERT INTO Alumnos VALUES (?, 'Ana', 'Pérez', 'Gil', '1,3,5,', '0', "
                            "'0', '1', '01/01/20', '31/12/20')");
        for (long i = 0; i < students; ++i) {
            sqlite::BindInt(raw, student.get(), 1, i * 7 % students);  // keys out of order
            sqlite::Check(raw, sqlite3_step(student.get()), SQLITE_DONE, "student insert");
            sqlite3_reset(student.get());
        }
    }
    {
        sqlite::Statement access =
            sqlite::Prepare(raw, "INSERT INTO Picadas VALUES (?, '15/07/2014', '10:00:00', '5')");
        unsigned long seed = 12345;
        for (long i = 0; i < accesses; ++i) {
            seed = seed * 6364136223846793005UL + 1442695040888963407UL;
            // The searched student's hundred rows are spread through the whole table.
            const bool searched = i % (accesses / 100) == 0 && i / (accesses / 100) < 100;
            const long dni = searched ? kSearchedDni : static_cast<long>((seed >> 33) % students);
            sqlite::BindInt(raw, access.get(), 1,
                            (dni == kSearchedDni && !searched) ? kSearchedDni + 1 : dni);
            sqlite::Check(raw, sqlite3_step(access.get()), SQLITE_DONE, "access insert");
            sqlite3_reset(access.get());
        }
    }
    sqlite::Exec(raw, "COMMIT");
    sqlite::Close(std::move(db));
    std::fclose(std::fopen((folder / "complete").c_str(), "w"));
    return file;
}

// Each card a different student, spread over the table.
class CardSequence {
  public:
    explicit CardSequence(long students) : m_students(students) {}
    long Next() { return (m_card++ * 7919) % m_students; }

  private:
    long m_students;
    long m_card = 0;
};

// Runs a benchmark at two {students, accesses} sizes, and at 10^6 / 10^7 with
// TARVO_BENCH_LARGE set (that history takes minutes to build the first time). One iteration is
// one round of code and floors (Rounds.h).
inline void ApplySizes(benchmark::internal::Benchmark* b, std::pair<long, long> small,
                       std::pair<long, long> medium) {
    b->Args({small.first, small.second})->Args({medium.first, medium.second});
    if (std::getenv("TARVO_BENCH_LARGE") != nullptr) {
        b->Args({1'000'000, 10'000'000});
    }
    b->ArgNames({"students", "accesses"})->Iterations(25)->UseManualTime();
}

}  // namespace bench
