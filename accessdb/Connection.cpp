#include "Connection.h"

#include <algorithm>
#include <string>

#include "AttemptListingSql.h"
#include "DatabaseError.h"
#include "Encodings.h"
#include "InputChecks.h"
#include "TableColumns.h"

namespace accessdb {

Connection Connection::Open(const StorageLocation& location, OpenMode mode) {
    return Connection(OpenSession(location, mode));
}

Connection::Connection(std::unique_ptr<SqlSession> session) : m_session(std::move(session)) {}

Connection::~Connection() = default;

std::optional<StudentRecord> Connection::FindStudent(std::string_view dni) {
    const std::unique_ptr<SqlRows> row = m_session->Query(
        std::string("SELECT ") + kStudentColumns + " FROM Alumnos WHERE DNI = ?", {DniKey(dni)});
    if (!row->Next()) {
        return std::nullopt;
    }
    return ReadStudent(*row);
}

void Connection::AddStudent(const StudentRecord& student) {
    m_session->Execute(
        "INSERT INTO Alumnos (DNI, Nombre, Apellido1, Apellido2) VALUES (?, ?, ?, ?)",
        {DniKey(student.dni), student.nombre, student.apellido1, student.apellido2});
}

bool Connection::SaveStudent(const StudentRecord& student) {
    SqlValues values = StudentValues(student, {}, 1);
    values.emplace_back(DniKey(student.dni));
    return m_session->Execute("UPDATE Alumnos SET " + kStudentAssignments + " WHERE DNI = ?",
                              values) > 0;
}

bool Connection::DeleteStudent(std::string_view dni) {
    const std::int64_t key = DniKey(dni);
    // The timetable the student kept to goes with the student: a DNI registered again later
    // starts without it.
    Transaction change(*m_session, TransactionKind::Write);
    m_session->Execute("DELETE FROM Horarios_alumnos WHERE DNI = ?", {key});
    const bool deleted = m_session->Execute("DELETE FROM Alumnos WHERE DNI = ?", {key}) > 0;
    change.Commit();
    return deleted;
}

std::vector<AccessRecord> Connection::ListAccesses(std::string_view dni) {
    const std::int64_t key = DniKey(dni);
    const std::unique_ptr<SqlRows> rows =
        m_session->Query("SELECT Fecha, Hora, Puerta FROM Picadas WHERE DNI = ? ORDER BY " +
                             std::string(m_session->AccessOrder()),
                         {key});
    std::vector<AccessRecord> accesses;
    const std::string dniText = FormatDni(key);
    while (rows->Next()) {
        accesses.push_back({dniText, rows->Text(0), rows->Text(1), rows->Text(2)});
    }
    return accesses;
}

std::size_t Connection::DeleteAccesses(std::string_view dni) {
    return static_cast<std::size_t>(
        m_session->Execute("DELETE FROM Picadas WHERE DNI = ?", {DniKey(dni)}));
}

namespace {

SqlStatement AccessInsert(const AccessRecord& access) {
    return {std::string("INSERT INTO Picadas (") + kAccessColumns + ") VALUES (?, ?, ?, ?)",
            {DniKey(access.dni), access.fecha, access.hora, access.puerta}};
}

SqlStatement AttemptInsert(const AttemptRecord& attempt) {
    AttemptRecord stored = attempt;
    // A card's bytes as read, in a form both engines store as text (the server refuses bytes
    // that are not UTF-8, and a NUL in any text).
    for (char& c : stored.dni) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            c = '?';
        }
    }
    // The day fills itself from Fecha.
    return {std::string("INSERT INTO Intentos (") + kAttemptWrittenColumns + ") VALUES " +
                ValueRows(1, 7),
            AttemptValues(stored)};
}

}  // namespace

// No lock of the consoles' is taken: an append never waits for a console's change.
void Connection::AppendAccess(const AccessRecord& access) {
    const SqlStatement insert = AccessInsert(access);
    m_session->Execute(insert.sql, insert.values);
}

void Connection::AppendAttempt(const AttemptRecord& attempt) {
    const SqlStatement insert = AttemptInsert(attempt);
    m_session->Execute(insert.sql, insert.values);
}

bool Connection::WriteOnce(const std::string& key, const std::string& fecha,
                           const SqlStatement& record) {
    const SqlStatement keyInsert{"INSERT INTO Anotados (Clave, Dia) VALUES (?, ?)",
                                 {key, DayOfDate(fecha)}};
    try {
        m_session->ExecuteTogether({keyInsert, record});
    } catch (const DatabaseError& error) {
        if (error.Kind() == FailureKind::Duplicate) {
            return false;  // written before: nothing of this change is kept
        }
        throw;
    }
    return true;
}

bool Connection::AppendAccessOnce(const std::string& key, const AccessRecord& access) {
    return WriteOnce(key, access.fecha, AccessInsert(access));
}

bool Connection::AppendAttemptOnce(const std::string& key, const AttemptRecord& attempt) {
    return WriteOnce(key, attempt.fecha, AttemptInsert(attempt));
}

AttemptPage Connection::ListAttempts(const AttemptQuery& query) {
    CheckDay(query.from, "El primer día", true);
    CheckDay(query.to, "El último día", true);
    AttemptQuery checked = query;
    checked.limit = std::clamp<std::size_t>(query.limit, 1, kMaxAttemptPage);
    const SqlWithValues listing = AttemptListingSql(checked);
    const std::unique_ptr<SqlRows> rows = m_session->Query(listing.sql, listing.values);
    std::vector<PositionedAttempt> attempts;
    while (rows->Next()) {
        attempts.push_back(ReadAttempt(*rows));
        attempts.back().student = StudentName(rows->Text(9), rows->Text(10), rows->Text(11));
    }
    return PageOf(std::move(attempts), checked);
}

std::vector<AttemptDayCount> Connection::CountAttempts(const AttemptQuery& query) {
    CheckDay(query.from, "El primer día", true);
    CheckDay(query.to, "El último día", true);
    const SqlWithValues counting = AttemptCountSql(query);
    const std::unique_ptr<SqlRows> rows = m_session->Query(counting.sql, counting.values);
    std::vector<AttemptDayCount> counts;
    while (rows->Next()) {
        counts.push_back({rows->Text(0), rows->Text(1), rows->Integer(2)});
    }
    return counts;
}

}  // namespace accessdb
