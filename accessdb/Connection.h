#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "Records.h"
#include "SqliteHandles.h"
#include "StudentRow.h"

namespace accessdb {

inline constexpr std::string_view kDatabaseFileName = "Alumnos.mdb";

enum class OpenMode {
    CreateIfMissing,  // the console: a missing file is created with both tables
    ExistingOnly,     // the controller: a missing file is an open failure
};

// One connection on the shared database, opened for one console command or one card and
// closed when it goes out of scope. Every DNI is checked to be eight digits and bound as an
// integer; every write runs in a write transaction. Failures throw DatabaseError.
class Connection {
  public:
    static Connection Open(const std::filesystem::path& file, OpenMode mode);

    Connection(Connection&&) noexcept = default;
    Connection& operator=(Connection&&) noexcept = default;

    // The row with this DNI, or a row object without a row (its reads then fail with 3021).
    StudentRow LookUpStudent(std::string_view dni);
    // The whole record; 3021 when no student has this DNI.
    StudentRecord FindStudent(std::string_view dni);
    // Adds a student with DNI and the three names; the other columns keep their defaults.
    void AddStudent(const StudentRecord& student);
    // Writes the nine columns after DNI; 3021 when the row is gone.
    void SaveStudent(const StudentRecord& student);
    // 3021 when the row is gone.
    void DeleteStudent(std::string_view dni);

    // The student's accesses in the order they were written; 3021 when there are none.
    std::vector<AccessRecord> ListAccesses(std::string_view dni);
    // Deletes all of them; 3021 when there were none.
    void DeleteAccesses(std::string_view dni);
    void AppendAccess(const AccessRecord& access);

    sqlite3* Handle() const { return m_db.get(); }

  private:
    explicit Connection(sqlite::DatabaseHandle db) : m_db(std::move(db)) {}
    sqlite::DatabaseHandle m_db;
};

// A write transaction (BEGIN IMMEDIATE: it waits for the other program's writer instead of
// failing later). Rolled back unless committed. Inside an open transaction it joins it, so the
// single writes above can be grouped into one all-or-nothing change.
class WriteTransaction {
  public:
    explicit WriteTransaction(Connection& connection);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void Commit();

  private:
    sqlite3* m_db;
    bool m_owner = false;
    bool m_done = false;
};

}  // namespace accessdb
