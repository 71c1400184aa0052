#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "AttemptListing.h"
#include "EngineSession.h"
#include "Records.h"
#include "StorageLocation.h"
#include "Transaction.h"

namespace accessdb {

inline constexpr std::string_view kDatabaseFileName = "Alumnos.mdb";
// A day: what a site that never set its limit of deciding without the server allows.
inline constexpr int kDefaultOfflineHours = 24;

// One connection on the shared database, opened for one console command or one card and
// closed when it goes out of scope, whichever engine holds the data. Every DNI is checked to
// be eight ASCII digits before anything is read or written (3075 otherwise) and reaches the
// tables as a number. Lookups answer "none" as a value; failures throw DatabaseError.
class Connection {
  public:
    // The engine is chosen by the location: the file (SQLite) or a server (PostgreSQL).
    static Connection Open(const StorageLocation& location, OpenMode mode);

    explicit Connection(std::unique_ptr<SqlSession> session);
    Connection(Connection&&) noexcept = default;
    Connection& operator=(Connection&&) noexcept = default;
    ~Connection();

    // The student with this DNI, none when there is no such row.
    std::optional<StudentRecord> FindStudent(std::string_view dni);
    // Adds a student with DNI and the three names; the other columns keep their defaults.
    // A DNI already registered fails with the kind Duplicate.
    void AddStudent(const StudentRecord& student);
    // Writes the nine columns after DNI; false when the row is gone.
    bool SaveStudent(const StudentRecord& student);
    // False when the row was already gone.
    bool DeleteStudent(std::string_view dni);

    // The student's accesses in the order they were written; empty when there are none.
    std::vector<AccessRecord> ListAccesses(std::string_view dni);
    // Deletes all of them; how many went.
    std::size_t DeleteAccesses(std::string_view dni);
    void AppendAccess(const AccessRecord& access);

    // Records a card whose DNI the controller read, granted or not. The DNI is stored as read,
    // not checked (a card with a letter in its DNI is an attempt too); bytes that are not
    // printable ASCII are stored as "?".
    void AppendAttempt(const AttemptRecord& attempt);
    // The same, each together with the record's key (a door station's, from its journal) in one
    // change: false, and nothing written, when a record with this key was written before.
    bool AppendAccessOnce(const std::string& key, const AccessRecord& access);
    bool AppendAttemptOnce(const std::string& key, const AttemptRecord& attempt);

    // One page of attempts, newest first (AttemptListing.h); the limit is kept within 1 to
    // kMaxAttemptPage. kInvalidDay for a day that is not "YYYY-MM-DD"; no match is an empty
    // page.
    AttemptPage ListAttempts(const AttemptQuery& query);
    // How many attempts the query's filters match, by day (oldest first) and outcome; its page,
    // cursor and order play no part. The same checks as ListAttempts.
    std::vector<AttemptDayCount> CountAttempts(const AttemptQuery& query);

    // The door stations and the site's settings (ConnectionStations.cpp).
    // Writes the station's own row of Puestos, made on its first report; on a server the
    // station's login may write no other (kind Denied).
    void ReportStation(const StationReport& report);
    // Every station's last report, by name.
    std::vector<StationReport> ListStations();
    // Forgets a retired station; false when there was no such row.
    bool ForgetStation(std::string_view name);
    // How many hours a station may decide on its copy of the students without its server:
    // 0 never; kDefaultOfflineHours when the setting is missing or not a number.
    int OfflineLimitHours();
    // `hours` 0 or more.
    void SetOfflineLimitHours(int hours);
    // Every student, for a station's copy, by DNI.
    std::vector<StudentRecord> AllStudents();
    // The count of changes to Alumnos (a server's only): equal counts, the same students.
    std::int64_t StudentChanges();

    // A console's change: waits for another program's writer instead of failing later, and
    // makes the writes inside it one all-or-nothing change; joins one already open.
    Transaction Write() { return Transaction(*m_session, TransactionKind::Write); }

    // The session behind the connection, for what works on it directly (the timetables of a
    // card) and for tests that reach past the typed operations.
    SqlSession& Session() { return *m_session; }

  private:
    bool WriteOnce(const std::string& key, const std::string& fecha, const SqlStatement& record);

    std::unique_ptr<SqlSession> m_session;
};

}  // namespace accessdb
