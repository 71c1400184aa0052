#pragma once

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "Records.h"
#include "StorageEngine.h"
#include "StorageLocation.h"
#include "StudentRow.h"

namespace accessdb {

inline constexpr std::string_view kDatabaseFileName = "Alumnos.mdb";

enum class OpenMode {
    CreateIfMissing,  // the console: a missing file is created with both tables
    ExistingOnly,     // the controller: a missing file is an open failure
};

// One connection on the shared database, opened for one console command or one card and
// closed when it goes out of scope, whichever engine holds the data. Every DNI is checked to
// be eight ASCII digits before anything is read or written (3075 otherwise) and reaches the
// engine as a number. Failures throw DatabaseError; 3021 only where documented below.
class Connection {
  public:
    // The engine is chosen by the location: the file (SQLite) or a server (PostgreSQL).
    static Connection Open(const StorageLocation& location, OpenMode mode);

    explicit Connection(std::unique_ptr<StorageEngine> engine);
    Connection(Connection&&) noexcept = default;
    Connection& operator=(Connection&&) noexcept = default;
    ~Connection();

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

    // Records a card whose DNI the controller read, granted or not. The DNI is stored as read,
    // not checked (a card with a letter in its DNI is an attempt too); bytes that are not
    // printable ASCII are stored as "?".
    void AppendAttempt(const AttemptRecord& attempt);
    // One page of attempts, newest first (AttemptListing.h); the limit is kept within 1 to
    // kMaxAttemptPage. kInvalidDay for a day that is not "YYYY-MM-DD"; never 3021: no match
    // is an empty page.
    AttemptPage ListAttempts(const AttemptQuery& query);
    // How many attempts the query's filters match, by day (oldest first) and outcome; its page,
    // cursor and order play no part. The same checks as ListAttempts.
    std::vector<AttemptDayCount> CountAttempts(const AttemptQuery& query);

    // The engine behind the connection, for tests that reach past the typed operations.
    StorageEngine& Engine() { return *m_engine; }

  private:
    friend class WriteTransaction;
    std::unique_ptr<StorageEngine> m_engine;
    int m_writeDepth = 0;
};

// A write transaction: waits for another program's writer instead of failing later, and makes
// the writes inside it one all-or-nothing change. Rolled back unless committed. Inside an open
// transaction it joins it, so single writes can be grouped into one change.
class WriteTransaction {
  public:
    explicit WriteTransaction(Connection& connection);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void Commit();

  private:
    Connection& m_connection;
    bool m_owner = false;
    bool m_done = false;
};

}  // namespace accessdb
