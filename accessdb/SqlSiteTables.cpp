// Moving a site between databases: whole tables read in pages in a fixed order and written
// back as they stand, NULLs kept.
#include "SqlSiteTables.h"

#include <algorithm>

#include "AttemptListingSql.h"

namespace accessdb {

namespace {

// Rows per statement when rows go in: few round trips to a server, and well within the
// file's limit of bound values.
constexpr std::size_t kRowsPerInsert = 500;

std::int64_t From(std::optional<std::int64_t> after) {
    return after.value_or(std::numeric_limits<std::int64_t>::min());
}

// Inserts the rows in statements of kRowsPerInsert rows each.
template <typename Row, typename ValuesOf>
void InsertInPages(SqlSession& session, const std::string& head, std::size_t columns,
                   const std::vector<Row>& rows, ValuesOf valuesOf) {
    for (std::size_t first = 0; first < rows.size(); first += kRowsPerInsert) {
        const std::size_t count = std::min(kRowsPerInsert, rows.size() - first);
        SqlValues values;
        for (std::size_t i = first; i < first + count; ++i) {
            for (SqlValue& value : valuesOf(rows[i])) {
                values.push_back(std::move(value));
            }
        }
        // Rows listed in one statement are appended in the order listed.
        session.Execute(head + ValueRows(count, columns), values);
    }
}

// Every row the statement gives, each read as a record of the table.
template <typename Read>
auto ReadAll(const std::unique_ptr<SqlRows>& rows, Read read) {
    std::vector<decltype(read(*rows))> records;
    while (rows->Next()) {
        records.push_back(read(*rows));
    }
    return records;
}

}  // namespace

std::int64_t SqlSiteTables::CountStudents() {
    return QueryNumber(Session(), "SELECT count(*) FROM Alumnos");
}

std::int64_t SqlSiteTables::CountAccesses() {
    return QueryNumber(Session(), "SELECT count(*) FROM Picadas");
}

std::int64_t SqlSiteTables::CountAttempts() {
    return QueryNumber(Session(), "SELECT count(*) FROM Intentos");
}

std::vector<StoredStudent> SqlSiteTables::StudentsAfter(std::optional<std::int64_t> after,
                                                        std::size_t limit) {
    return ReadAll(Session().Query(std::string("SELECT ") + kStudentColumns +
                                       " FROM Alumnos WHERE DNI > ? ORDER BY DNI LIMIT ?",
                                   {From(after), static_cast<std::int64_t>(limit)}),
                   [](const SqlRows& row) { return ReadStudent(row); });
}

std::vector<PositionedAccess> SqlSiteTables::AccessesAfter(std::optional<std::int64_t> after,
                                                           std::size_t limit) {
    const std::string order(Session().AccessOrder());
    const std::unique_ptr<SqlRows> rows =
        Session().Query("SELECT " + order + ", " + kAccessColumns + " FROM Picadas WHERE " + order +
                            " > ? ORDER BY " + order + " LIMIT ?",
                        {From(after), static_cast<std::int64_t>(limit)});
    std::vector<PositionedAccess> accesses;
    while (rows->Next()) {
        accesses.push_back(ReadAccess(*rows));
    }
    return accesses;
}

std::vector<PositionedAttempt> SqlSiteTables::AttemptsAfter(std::optional<std::int64_t> after,
                                                            std::size_t limit) {
    return ReadAll(Session().Query(std::string("SELECT ") + kAttemptColumns +
                                       " FROM Intentos WHERE Orden > ? ORDER BY Orden LIMIT ?",
                                   {From(after), static_cast<std::int64_t>(limit)}),
                   ReadAttempt);
}

void SqlSiteTables::InsertStudents(const std::vector<StoredStudent>& students) {
    InsertInPages(Session(), std::string("INSERT INTO Alumnos (") + kStudentColumns + ") VALUES ",
                  10, students, [](const StoredStudent& s) { return StudentValues(s, s.nulls); });
}

void SqlSiteTables::InsertAccesses(const std::vector<PositionedAccess>& accesses) {
    InsertInPages(Session(), std::string("INSERT INTO Picadas (") + kAccessColumns + ") VALUES ", 4,
                  accesses,
                  [](const PositionedAccess& a) { return AccessValues(a.access, a.nulls); });
}

void SqlSiteTables::InsertAttempts(const std::vector<PositionedAttempt>& attempts) {
    InsertInPages(
        Session(), std::string("INSERT INTO Intentos (") + kAttemptWrittenColumns + ") VALUES ", 7,
        attempts, [](const PositionedAttempt& a) { return AttemptValues(a.attempt, a.nulls); });
}

std::unique_ptr<SiteTables> OpenSiteTables(const StorageLocation& location, OpenMode mode) {
    return std::make_unique<SqlSiteTables>(OpenSession(location, mode));
}

std::unique_ptr<AdminTables> OpenAdminTables(const StorageLocation& location, OpenMode mode) {
    std::unique_ptr<EngineSession> session = OpenSession(location, mode);
    session->AllowLongStatements();
    return std::make_unique<SqlSiteTables>(std::move(session));
}

}  // namespace accessdb
