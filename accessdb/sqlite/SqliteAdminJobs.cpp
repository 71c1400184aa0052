// The bulk jobs of a school's administrator on the file: import, export by day, purge, a
// person's data, the integrity check and the online backup.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sstream>

#include "DayOf.h"
#include "SqliteSiteTables.h"
#include "accessdb/AttemptListingSql.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/DatabaseFile.h"
#include "accessdb/Encodings.h"
#include "accessdb/InputChecks.h"
#include "accessdb/OwnedTransaction.h"
#include "accessdb/SchemaVersion.h"
#include "accessdb/SystemErrors.h"

namespace accessdb::sqlite {

namespace {

namespace fs = std::filesystem;

const std::string kAccessDay = DayOf("Fecha");

// Day bounds as SQL conditions on `day`, with their values. A row whose date cannot be read
// ("" as its day) lies in no range, only in the whole table.
std::string DayBounds(const std::string& day, const std::string& from, const std::string& to,
                      std::vector<std::string>& values) {
    if (from.empty() && to.empty()) {
        return "";
    }
    std::string where = " WHERE " + day + " <> ''";
    for (const auto& [bound, op] : {std::pair{&from, " >= ?"}, std::pair{&to, " <= ?"}}) {
        if (!bound->empty()) {
            where += " AND " + day + op;
            values.push_back(*bound);
        }
    }
    return where;
}

std::string StoredDni(const Statement& row, int column) {
    return row.IsNull(column) ? std::string() : FormatDni(row.Integer(column));
}

// A write of its own, or a part of the caller's when one is open: all or nothing either way.
class OwnWrite : public OwnedTransaction {
  public:
    explicit OwnWrite(SqliteEngine& engine) : OwnedTransaction(engine) {
        if (sqlite3_get_autocommit(engine.Handle()) != 0) {
            engine.BeginWrite();
            Began();
        }
    }
};

// One snapshot for several reads, unless the caller already reads or writes in one.
class OwnRead {
  public:
    explicit OwnRead(sqlite3* db) : m_db(db), m_owner(sqlite3_get_autocommit(db) != 0) {
        if (m_owner) {
            Execute(m_db, "BEGIN", Intent::Read);
        }
    }
    ~OwnRead() {
        if (m_owner) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    OwnRead(const OwnRead&) = delete;
    OwnRead& operator=(const OwnRead&) = delete;

  private:
    sqlite3* m_db;
    bool m_owner;
};

std::int64_t CountOf(sqlite3* db, const std::string& sql) {
    Statement count(db, sql);
    return count.Step() ? count.Integer(0) : 0;
}

[[noreturn]] void NothingHeld(std::int64_t dni) {
    throw DatabaseError(kNoCurrentRow,
                        "No hay ningún dato del DNI " + FormatDni(dni) + " en la base de datos.");
}

[[noreturn]] void BackupExists(const fs::path& file) {
    throw DatabaseError(kTargetNotEmpty, "Ya existe el archivo '" + file.string() +
                                             "': la copia de seguridad no escribe sobre él. "
                                             "Elija otro nombre, o retire ese archivo.");
}

// Puts the finished copy in its place unless something else took the name meanwhile.
void MoveIntoPlace(const fs::path& temporary, const fs::path& file) {
    if (link(temporary.c_str(), file.c_str()) == 0) {
        unlink(temporary.c_str());
        return;
    }
    const int error = errno;
    std::error_code ec;
    if (error == EEXIST) {
        fs::remove(temporary, ec);
        BackupExists(file);
    }
    // A file system without hard links (a USB stick's FAT): a rename, after a last look.
    if (fs::exists(fs::symlink_status(file, ec))) {
        fs::remove(temporary, ec);
        BackupExists(file);
    }
    fs::rename(temporary, file, ec);
    if (ec) {
        // The rename's refusal, not the link's: the rename is what a disk without links does.
        const int refused = ec.value();
        fs::remove(temporary, ec);
        throw DatabaseError(SQLITE_CANTOPEN, "No se ha podido dejar la copia de seguridad en '" +
                                                 file.string() + "': " + SystemErrorText(refused));
    }
}

}  // namespace

int SqliteSiteTables::SchemaVersion() {
    return static_cast<int>(CountOf(Handle(), "PRAGMA user_version"));
}

std::vector<std::string> SqliteSiteTables::CheckIntegrity() {
    std::vector<std::string> problems;
    try {
        Statement check(Handle(), "PRAGMA integrity_check");
        while (check.Step()) {
            // A row may hold several problems, one per line, the first under a heading that
            // names the schema ("*** in database main ***").
            std::istringstream lines(check.Text(0));
            for (std::string line; std::getline(lines, line);) {
                if (line != "ok" && !line.empty() && !line.starts_with("*** in database")) {
                    problems.push_back(line);
                }
            }
        }
    } catch (const DatabaseError& error) {
        // Damage the check itself stumbled on ends it: what it listed so far stays, and why
        // it stopped follows.
        problems.push_back(error.Description());
    }
    if (!problems.empty()) {
        // The scans below would read the damaged pages again and stop at the first of them:
        // the engine's own list is what the administrator needs.
        return problems;
    }
    const int version = SchemaVersion();
    if (version < kSchemaVersion) {
        // A read-only file the programs could consult but not upgrade.
        problems.push_back("Las tablas están en la versión " + std::to_string(version) +
                           " y este programa usa la " + std::to_string(kSchemaVersion) +
                           ": abra la base de datos con permiso de escritura para actualizarla.");
    }
    // Rows no day range reaches: neither a purge nor an export by dates sees them.
    const std::int64_t undatedAccesses =
        CountOf(Handle(), "SELECT count(*) FROM Picadas WHERE " + kAccessDay + " = ''");
    if (undatedAccesses > 0) {
        problems.push_back(std::to_string(undatedAccesses) +
                           " acceso(s) de Picadas con una fecha que no es DD/MM/AAAA: ni la "
                           "purga ni la exportación por fechas los alcanzan.");
    }
    if (version >= 2) {
        const std::int64_t undatedAttempts =
            CountOf(Handle(), "SELECT count(*) FROM Intentos WHERE Dia = ''");
        if (undatedAttempts > 0) {
            problems.push_back(std::to_string(undatedAttempts) +
                               " intento(s) de Intentos con una fecha que no es DD/MM/AAAA: ni la "
                               "purga ni la exportación por fechas los alcanzan.");
        }
    }
    return problems;
}

std::vector<PositionedAttempt> SqliteSiteTables::AttemptsAfter(std::optional<std::int64_t> after,
                                                               std::size_t limit) {
    Statement query(Handle(), std::string("SELECT ") + kAttemptColumns +
                                  " FROM Intentos WHERE Orden > ? ORDER BY Orden LIMIT ?");
    query.Bind(1, after.value_or(std::numeric_limits<std::int64_t>::min()))
        .Bind(2, static_cast<std::int64_t>(limit));
    std::vector<PositionedAttempt> attempts;
    while (query.Step()) {
        attempts.push_back(ReadAttempt(query));
    }
    return attempts;
}

void SqliteSiteTables::ForEachAccess(const std::string& from, const std::string& to,
                                     const std::function<void(const AccessRecord&)>& row) {
    CheckDay(from, "El primer día", true);
    CheckDay(to, "El último día", true);
    std::vector<std::string> values;
    const std::string where = DayBounds(kAccessDay, from, to, values);
    // One statement: one snapshot, read as it goes, however long the table.
    Statement query(Handle(),
                    "SELECT DNI, Fecha, Hora, Puerta FROM Picadas" + where + " ORDER BY rowid");
    for (std::size_t i = 0; i < values.size(); ++i) {
        query.Bind(static_cast<int>(i + 1), values[i]);
    }
    while (query.Step()) {
        row({StoredDni(query, 0), query.Text(1), query.Text(2), query.Text(3)});
    }
}

void SqliteSiteTables::ForEachAttempt(const std::string& from, const std::string& to,
                                      const std::function<void(const AttemptRecord&)>& row) {
    CheckDay(from, "El primer día", true);
    CheckDay(to, "El último día", true);
    std::vector<std::string> values;
    const std::string where = DayBounds("Dia", from, to, values);
    Statement query(Handle(), std::string("SELECT ") + kAttemptColumns + " FROM Intentos" + where +
                                  " ORDER BY Orden");
    for (std::size_t i = 0; i < values.size(); ++i) {
        query.Bind(static_cast<int>(i + 1), values[i]);
    }
    while (query.Step()) {
        row(ReadAttempt(query).attempt);
    }
}

void SqliteSiteTables::ImportStudents(const std::vector<StudentRecord>& students, bool update) {
    OwnWrite change(*m_engine);
    // Looked up rather than left to the key: a file made by hand may not key Alumnos by DNI.
    Statement exists(Handle(), "SELECT 1 FROM Alumnos WHERE DNI = ?");
    Statement insert(Handle(),
                     "INSERT INTO Alumnos (Nombre, Apellido1, Apellido2, Puerta, Agosto,"
                     " Fin_de_semana, Periodo_temporal, FechaA, FechaB, DNI)"
                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    Statement replace(Handle(),
                      "UPDATE Alumnos SET Nombre = ?, Apellido1 = ?, Apellido2 = ?, Puerta = ?,"
                      " Agosto = ?, Fin_de_semana = ?, Periodo_temporal = ?, FechaA = ?,"
                      " FechaB = ? WHERE DNI = ?");
    for (const StudentRecord& s : students) {
        const std::int64_t dni = DniKey(s.dni);
        exists.Bind(1, dni);
        const bool found = exists.Step();
        exists.Reset();
        if (found && !update) {
            throw DatabaseError(kServerDuplicateKey,
                                "Ya hay un alumno registrado con el DNI " + FormatDni(dni) + ".");
        }
        Statement& write = found ? replace : insert;
        BindStudentFields(write, 1, s).Bind(10, dni);
        write.Run();
        write.Reset();
    }
    change.Commit();
}

std::vector<std::int64_t> SqliteSiteTables::OldAccessRows(const std::string& before,
                                                          std::size_t limit) {
    Statement query(Handle(), "SELECT rowid FROM Picadas WHERE rowid > ? AND " + kAccessDay +
                                  " <> '' AND " + kAccessDay + " < ? ORDER BY rowid LIMIT ?");
    query.Bind(1, m_purgeScanned).Bind(2, before).Bind(3, static_cast<std::int64_t>(limit));
    std::vector<std::int64_t> rows;
    while (query.Step()) {
        rows.push_back(query.Integer(0));
    }
    return rows;
}

std::int64_t SqliteSiteTables::PurgeChunk(const std::string& before, std::size_t chunk) {
    CheckDay(before, "El día límite de la purga", false);
    chunk = std::max<std::size_t>(chunk, 1);
    if (before != m_purgeBefore) {
        m_purgeBefore = before;
        m_purgeScanned = std::numeric_limits<std::int64_t>::min();
        m_accessesPurged = false;
    }
    for (;;) {
        // Picadas has no day of its own to index: its old rows are looked for before the write
        // lock is taken (the file's readers never hold up a writer), so a door station waits
        // only for the deletion itself. Intentos finds its old rows by its index on Dia.
        const std::vector<std::int64_t> accesses =
            m_accessesPurged ? std::vector<std::int64_t>() : OldAccessRows(before, chunk);
        std::int64_t deleted = 0;
        {
            OwnWrite change(*m_engine);
            // Looked at again under the lock: a row deleted meanwhile and its number reused
            // by a new access is young.
            Statement access(Handle(), "DELETE FROM Picadas WHERE rowid = ? AND " + kAccessDay +
                                           " <> '' AND " + kAccessDay + " < ?");
            for (std::int64_t row : accesses) {
                access.Bind(1, row).Bind(2, before);
                access.Run();
                access.Reset();
                deleted += sqlite3_changes(Handle());
            }
            if (accesses.size() < chunk) {
                Statement attempts(Handle(),
                                   "DELETE FROM Intentos WHERE Orden IN (SELECT Orden FROM "
                                   "Intentos WHERE Dia > '' AND Dia < ? ORDER BY Dia LIMIT ?)");
                attempts.Bind(1, before).Bind(2,
                                              static_cast<std::int64_t>(chunk - accesses.size()));
                attempts.Run();
                deleted += sqlite3_changes(Handle());
            }
            change.Commit();
        }
        if (accesses.size() < chunk) {
            m_accessesPurged = true;
        } else {
            m_purgeScanned = accesses.back();
        }
        // Old rows another program deleted first leave this chunk empty, not the purge done.
        if (deleted > 0 || m_accessesPurged) {
            return deleted;
        }
    }
}

PersonRecord SqliteSiteTables::Person(std::int64_t dni) {
    OwnRead snapshot(Handle());
    PersonRecord person;
    {
        Statement student(Handle(),
                          "SELECT Nombre, Apellido1, Apellido2, Puerta, Agosto, Fin_de_semana,"
                          " Periodo_temporal, FechaA, FechaB FROM Alumnos WHERE DNI = ?");
        student.Bind(1, dni);
        person.registered = student.Step();
        person.student.dni = FormatDni(dni);
        if (person.registered) {
            person.student = {FormatDni(dni),  student.Text(0), student.Text(1), student.Text(2),
                              student.Text(3), student.Text(4), student.Text(5), student.Text(6),
                              student.Text(7), student.Text(8)};
        }
    }
    {
        Statement accesses(Handle(),
                           "SELECT Fecha, Hora, Puerta FROM Picadas WHERE DNI = ? ORDER BY rowid");
        accesses.Bind(1, dni);
        while (accesses.Step()) {
            person.accesses.push_back(
                {FormatDni(dni), accesses.Text(0), accesses.Text(1), accesses.Text(2)});
        }
    }
    {
        Statement attempts(Handle(), std::string("SELECT ") + kAttemptColumns +
                                         " FROM Intentos WHERE DNI = ? ORDER BY Orden");
        attempts.Bind(1, FormatDni(dni));
        while (attempts.Step()) {
            person.attempts.push_back(ReadAttempt(attempts).attempt);
        }
    }
    if (!person.registered && person.accesses.empty() && person.attempts.empty()) {
        NothingHeld(dni);
    }
    return person;
}

void SqliteSiteTables::Erase(std::int64_t dni) {
    OwnWrite change(*m_engine);
    std::int64_t erased = 0;
    // Attempts carry the DNI as the card gave it: a student's are those read as their number.
    Statement attempts(Handle(), "DELETE FROM Intentos WHERE DNI = ?");
    attempts.Bind(1, FormatDni(dni)).Run();
    erased += sqlite3_changes(Handle());
    Statement accesses(Handle(), "DELETE FROM Picadas WHERE DNI = ?");
    accesses.Bind(1, dni).Run();
    erased += sqlite3_changes(Handle());
    Statement student(Handle(), "DELETE FROM Alumnos WHERE DNI = ?");
    student.Bind(1, dni).Run();
    erased += sqlite3_changes(Handle());
    if (erased == 0) {
        NothingHeld(dni);
    }
    change.Commit();
}

void SqliteSiteTables::Backup(const std::filesystem::path& file) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(file, ec))) {
        BackupExists(file);
    }
    const fs::path temporary = WorkFileBeside(file, "copia");
    fs::remove(temporary, ec);
    try {
        sqlite3* raw = nullptr;
        const int opened = sqlite3_open_v2(temporary.c_str(), &raw,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        DatabaseHandle copy(raw);
        Check(copy.get(), opened, Intent::Write);
        // One step over the whole file: one read snapshot of it, while the stations' appends
        // go on into the WAL beside it.
        sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", Handle(), "main");
        if (backup == nullptr) {
            Fail(copy.get(), sqlite3_errcode(copy.get()), Intent::Write);
        }
        const int stepped = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE) {
            Fail(stepped == SQLITE_BUSY || stepped == SQLITE_LOCKED ? Handle() : copy.get(),
                 stepped, Intent::Read);
        }
        Check(copy.get(), finished, Intent::Write);
        // The copy stands alone: one file, no WAL beside it.
        Execute(copy.get(), "PRAGMA journal_mode = DELETE");
    } catch (...) {
        fs::remove(temporary, ec);
        throw;
    }
    MoveIntoPlace(temporary, file);
}

}  // namespace accessdb::sqlite
