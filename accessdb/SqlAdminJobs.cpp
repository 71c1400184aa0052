// A school's bulk jobs on either engine: the check, export by day, import, purge, and a
// person's data. Dates are compared by the day they denote (SqlSession::DayOf).
#include <algorithm>
#include <set>

#include "DatabaseError.h"
#include "Encodings.h"
#include "InputChecks.h"
#include "SchemaVersion.h"
#include "SqlSiteTables.h"

namespace accessdb {

namespace {

// Rows per statement when rows come out or go in by pages.
constexpr std::size_t kPageRows = 500;

// Day bounds as SQL conditions on `day`, their values added to `values`. A row whose date
// cannot be read ("" as its day) lies in no range, only in the whole table.
std::string DayBounds(const std::string& day, const std::string& from, const std::string& to,
                      SqlValues& values) {
    if (from.empty() && to.empty()) {
        return "";
    }
    std::string where = " AND " + day + " <> ''";
    for (const auto& [bound, op] : {std::pair{&from, " >= ?"}, std::pair{&to, " <= ?"}}) {
        if (!bound->empty()) {
            where += " AND " + day + op;
            values.emplace_back(*bound);
        }
    }
    return where;
}

// Every row the statement's pages give, in the order of its first column (the order written),
// from the start of the table on. The statement takes that column's last value read as its
// first parameter, and `bounds` after it.
void ForEachPage(SqlSession& session, const std::string& sql, const SqlValues& bounds,
                 const std::function<std::int64_t(const SqlRows&)>& row) {
    for (std::int64_t last = std::numeric_limits<std::int64_t>::min();;) {
        SqlValues values{last};
        values.insert(values.end(), bounds.begin(), bounds.end());
        values.emplace_back(static_cast<std::int64_t>(kPageRows));
        const std::unique_ptr<SqlRows> page = session.Query(sql, values);
        std::size_t read = 0;
        while (page->Next()) {
            last = row(*page);
            ++read;
        }
        if (read < kPageRows) {
            return;
        }
    }
}

std::string InList(std::size_t count) {
    std::string list = "(";
    for (std::size_t i = 0; i < count; ++i) {
        list += i == 0 ? "?" : ", ?";
    }
    return list + ")";
}

}  // namespace

std::vector<std::string> SqlSiteTables::CheckIntegrity() {
    std::vector<std::string> problems = m_session->EngineProblems();
    if (!problems.empty()) {
        // The scans below would stop at the first damaged page or missing table: the engine's
        // own list is what the administrator needs.
        return problems;
    }
    const int version = SchemaVersion();
    if (version < kSchemaVersion) {
        // A read-only file (or a server role) the programs could consult but not upgrade.
        problems.push_back("Las tablas están en la versión " + std::to_string(version) +
                           " y este programa usa la " + std::to_string(kSchemaVersion) +
                           ": ábralas con permiso para actualizarlas (escritura en el archivo, o "
                           "tarvo-setup-server en el servidor).");
    }
    // Rows no day range reaches: neither a purge nor an export by dates sees them.
    const std::pair<std::string, const char*> undated[] = {
        {"SELECT count(*) FROM Picadas WHERE " + AccessDay() + " = ''", " acceso(s) de Picadas"},
        {"SELECT count(*) FROM Intentos WHERE Dia = ''", " intento(s) de Intentos"}};
    for (const auto& [sql, what] : undated) {
        if (what == undated[1].second && version < 2) {
            break;  // Intentos has its day from version 2 on
        }
        const std::int64_t count = QueryNumber(Session(), sql);
        if (count > 0) {
            problems.push_back(std::to_string(count) + what +
                               " con una fecha que no es DD/MM/AAAA: ni la purga ni la "
                               "exportación por fechas los alcanzan.");
        }
    }
    return problems;
}

void SqlSiteTables::ForEachAccess(const std::string& from, const std::string& to,
                                  const std::function<void(const AccessRecord&)>& row) {
    CheckDay(from, "El primer día", true);
    CheckDay(to, "El último día", true);
    const std::string order(Session().AccessOrder());
    SqlValues bounds;
    const std::string sql = "SELECT " + order + ", " + kAccessColumns + " FROM Picadas WHERE " +
                            order + " > ?" + DayBounds(AccessDay(), from, to, bounds) +
                            " ORDER BY " + order + " LIMIT ?";
    // One snapshot for every page, however long the table, while the stations append.
    Transaction snapshot(Session(), TransactionKind::Read);
    ForEachPage(Session(), sql, bounds, [&](const SqlRows& page) {
        const PositionedAccess access = ReadAccess(page);
        row(access.access);
        return access.position;
    });
}

void SqlSiteTables::ForEachAttempt(const std::string& from, const std::string& to,
                                   const std::function<void(const AttemptRecord&)>& row) {
    CheckDay(from, "El primer día", true);
    CheckDay(to, "El último día", true);
    SqlValues bounds;
    const std::string sql = std::string("SELECT ") + kAttemptColumns +
                            " FROM Intentos WHERE Orden > ?" + DayBounds("Dia", from, to, bounds) +
                            " ORDER BY Orden LIMIT ?";
    Transaction snapshot(Session(), TransactionKind::Read);
    ForEachPage(Session(), sql, bounds, [&](const SqlRows& page) {
        const PositionedAttempt attempt = ReadAttempt(page);
        row(attempt.attempt);
        return attempt.position;
    });
}

void SqlSiteTables::ImportStudents(const std::vector<StudentRecord>& students, bool update) {
    std::vector<std::int64_t> keys;
    for (const StudentRecord& s : students) {
        keys.push_back(DniKey(s.dni));
    }
    // Under the consoles' lock, so no console registers one of them meanwhile.
    Transaction change(Session(), TransactionKind::Write);
    for (std::size_t first = 0; first < students.size(); first += kPageRows) {
        const std::size_t count = std::min(kPageRows, students.size() - first);
        // Looked up rather than left to the key: the DNI is named, and a file made by hand
        // may not key Alumnos by DNI.
        const auto firstKey = keys.begin() + static_cast<std::ptrdiff_t>(first);
        const SqlValues chunkKeys(firstKey, firstKey + static_cast<std::ptrdiff_t>(count));
        std::set<std::int64_t> registered;
        const std::unique_ptr<SqlRows> found = Session().Query(
            "SELECT DNI FROM Alumnos WHERE DNI IN " + InList(count) + " ORDER BY DNI", chunkKeys);
        while (found->Next()) {
            registered.insert(found->Integer(0));
        }
        if (!registered.empty() && !update) {
            throw DatabaseError(kDuplicateKey, "Ya hay un alumno registrado con el DNI " +
                                                   FormatDni(*registered.begin()) + ".");
        }
        std::vector<StudentRecord> added;
        for (std::size_t i = first; i < first + count; ++i) {
            if (registered.insert(keys[i]).second) {
                added.push_back(students[i]);
                added.back().dni = FormatDni(keys[i]);
            } else if (!update) {
                // The same DNI twice in one call: the second would be a second row.
                throw DatabaseError(kDuplicateKey, "Ya hay un alumno registrado con el DNI " +
                                                       FormatDni(keys[i]) + ".");
            } else {
                SqlValues values = StudentValues(students[i], {}, 1);
                values.emplace_back(keys[i]);
                Session().Execute("UPDATE Alumnos SET " + kStudentAssignments + " WHERE DNI = ?",
                                  values);
            }
        }
        if (!added.empty()) {
            SqlValues values;
            for (const StudentRecord& s : added) {
                for (SqlValue& value : StudentValues(s)) {
                    values.push_back(std::move(value));
                }
            }
            Session().Execute(std::string("INSERT INTO Alumnos (") + kStudentColumns + ") VALUES " +
                                  ValueRows(added.size(), 10),
                              values);
        }
    }
    change.Commit();
}

std::vector<std::int64_t> SqlSiteTables::OldAccessRows(const std::string& before,
                                                       std::size_t limit) {
    const std::string order(Session().AccessOrder());
    const std::unique_ptr<SqlRows> rows = Session().Query(
        "SELECT " + order + " FROM Picadas WHERE " + order + " > ? AND " + AccessDay() +
            " <> '' AND " + AccessDay() + " < ? ORDER BY " + order + " LIMIT ?",
        {m_purgeScanned, before, static_cast<std::int64_t>(limit)});
    std::vector<std::int64_t> found;
    while (rows->Next()) {
        found.push_back(rows->Integer(0));
    }
    return found;
}

std::int64_t SqlSiteTables::PurgeChunk(const std::string& before, std::size_t chunk) {
    CheckDay(before, "El día límite de la purga", false);
    chunk = std::max<std::size_t>(chunk, 1);
    if (before != m_purgeBefore) {
        m_purgeBefore = before;
        m_purgeScanned = std::numeric_limits<std::int64_t>::min();
        m_accessesPurged = false;
    }
    const std::string order(Session().AccessOrder());
    for (;;) {
        // Picadas has no day of its own to index: its old rows are looked for before any write
        // lock is taken, reading on from where the last chunk stopped, so a door station waits
        // only for the deletion itself. Intentos finds its old rows by its index on Dia.
        std::vector<std::int64_t> accesses;
        std::int64_t deleted = 0;
        std::int64_t keys = 0;
        try {
            if (!m_accessesPurged) {
                accesses = OldAccessRows(before, chunk);
            }
            // Not the consoles' lock: old rows are no console's check-then-write, and a
            // station appending new rows never meets these.
            Transaction change(Session(), TransactionKind::UnlockedWrite);
            // Looked at again under the lock: a row deleted meanwhile and its number reused by
            // a new access is young.
            for (std::size_t from = 0; from < accesses.size(); from += kPageRows) {
                const auto first = accesses.begin() + static_cast<std::ptrdiff_t>(from);
                const std::size_t count = std::min(kPageRows, accesses.size() - from);
                SqlValues values(first, first + static_cast<std::ptrdiff_t>(count));
                values.emplace_back(before);
                deleted += Session().Execute("DELETE FROM Picadas WHERE " + order + " IN " +
                                                 InList(count) + " AND " + AccessDay() +
                                                 " <> '' AND " + AccessDay() + " < ?",
                                             values);
            }
            if (accesses.size() < chunk) {
                deleted += Session().Execute(
                    "DELETE FROM Intentos WHERE Orden IN (SELECT Orden FROM Intentos WHERE"
                    " Dia > '' AND Dia < ? ORDER BY Dia LIMIT ?)",
                    {before, static_cast<std::int64_t>(chunk - accesses.size())});
            }
            if (deleted < static_cast<std::int64_t>(chunk)) {
                // The keys of the stations' records of those days go with them; they are not
                // the accesses and attempts the purge reports.
                keys = Session().Execute(
                    "DELETE FROM Anotados WHERE Clave IN (SELECT Clave FROM Anotados WHERE"
                    " Dia > '' AND Dia < ? ORDER BY Dia LIMIT ?)",
                    {before, static_cast<std::int64_t>(chunk - deleted)});
            }
            change.Commit();
        } catch (...) {
            m_purgeBefore.clear();  // the scan's place is not known to hold any more
            throw;
        }
        if (accesses.size() < chunk) {
            m_accessesPurged = true;
        } else {
            m_purgeScanned = accesses.back();
        }
        // Old rows another program deleted first leave this chunk empty, not the purge done;
        // nor do old keys still to delete.
        if (deleted > 0 || (m_accessesPurged && keys == 0)) {
            return deleted;
        }
    }
}

std::optional<PersonRecord> SqlSiteTables::Person(std::int64_t dni) {
    Transaction snapshot(Session(), TransactionKind::Read);
    const std::string dniText = FormatDni(dni);
    PersonRecord person;
    person.student.dni = dniText;
    {
        const std::unique_ptr<SqlRows> student = Session().Query(
            std::string("SELECT ") + kStudentColumns + " FROM Alumnos WHERE DNI = ?", {dni});
        person.registered = student->Next();
        if (person.registered) {
            person.student = ReadStudent(*student);
        }
    }
    {
        const std::unique_ptr<SqlRows> timetable =
            Session().Query("SELECT Horario FROM Horarios_alumnos WHERE DNI = ?", {dni});
        if (timetable->Next()) {
            person.horario = timetable->Text(0);
        }
    }
    const std::unique_ptr<SqlRows> accesses =
        Session().Query("SELECT Fecha, Hora, Puerta FROM Picadas WHERE DNI = ? ORDER BY " +
                            std::string(Session().AccessOrder()),
                        {dni});
    while (accesses->Next()) {
        person.accesses.push_back(
            {dniText, accesses->Text(0), accesses->Text(1), accesses->Text(2)});
    }
    // Attempts carry the DNI as the card gave it: a student's are those read as their number.
    const std::unique_ptr<SqlRows> attempts = Session().Query(
        std::string("SELECT ") + kAttemptColumns + " FROM Intentos WHERE DNI = ? ORDER BY Orden",
        {dniText});
    while (attempts->Next()) {
        person.attempts.push_back(ReadAttempt(*attempts).attempt);
    }
    if (!person.registered && person.accesses.empty() && person.attempts.empty()) {
        return std::nullopt;
    }
    return person;
}

bool SqlSiteTables::Erase(std::int64_t dni) {
    Transaction change(Session(), TransactionKind::Write);
    std::int64_t erased = Session().Execute("DELETE FROM Intentos WHERE DNI = ?", {FormatDni(dni)});
    erased += Session().Execute("DELETE FROM Picadas WHERE DNI = ?", {dni});
    erased += Session().Execute("DELETE FROM Alumnos WHERE DNI = ?", {dni});
    // Which timetable the student kept to goes with the student, and is no record of its own.
    Session().Execute("DELETE FROM Horarios_alumnos WHERE DNI = ?", {dni});
    change.Commit();
    return erased > 0;
}

}  // namespace accessdb
