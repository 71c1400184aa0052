#include "Connection.h"

#include <strings.h>

#include <cstdio>

#include "DatabaseError.h"
#include "DatabaseFile.h"
#include "Encodings.h"
#include "Schema.h"

namespace accessdb {

namespace {

// Both programs wait this long for the other's writer before a write fails.
constexpr int kBusyTimeoutMs = 8000;

// The DNI is checked before anything is read or written, and enters statements only as a
// bound integer: a forged "1 OR 1=1" can neither match nor delete other students' rows.
std::int64_t DniKey(std::string_view dni) {
    if (!IsValidDni(dni)) {
        std::string shown;
        for (unsigned char c : dni) {
            shown += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
        }
        throw DatabaseError(kInvalidDni, "Error de sintaxis: el DNI \"" + shown +
                                             "\" no es un número de ocho cifras.");
    }
    return std::stoll(std::string(dni));
}

std::string DniText(std::int64_t key) {
    char text[24];
    std::snprintf(text, sizeof text, "%08lld", static_cast<long long>(key));
    return text;
}

[[noreturn]] void NoCurrentRow() {
    throw DatabaseError(kNoCurrentRow, "No hay ningún registro activo.");
}

}  // namespace

Connection Connection::Open(const std::filesystem::path& file, OpenMode mode) {
    std::filesystem::path path = file;
    const std::optional<std::filesystem::path> existing = FindDatabaseFile(file);
    if (existing) {
        path = *existing;
    } else if (mode == OpenMode::ExistingOnly) {
        throw DatabaseError(kFileNotFound,
                            "No se encuentra el archivo de base de datos '" +
                                file.filename().string() + "' en la carpeta '" +
                                std::filesystem::absolute(file).parent_path().string() + "'.");
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX |
                      (mode == OpenMode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    sqlite::DatabaseHandle db(raw);
    if (rc != SQLITE_OK) {
        sqlite::Fail(db.get(), rc);
    }
    if (!existing) {
        ShareWithFolderGroup(path);  // before the journal files copy its mode
    }
    sqlite3_extended_result_codes(db.get(), 0);
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    // A granted access reported as stored must survive a power cut.
    sqlite::Execute(db.get(), "PRAGMA synchronous = FULL");
    // Reading the schema marker also proves the file is a database at all: a damaged file
    // fails here, as an open failure, before anything is read or written.
    PrepareSchema(db.get(), mode == OpenMode::CreateIfMissing);
    return Connection(std::move(db));
}

StudentRow Connection::LookUpStudent(std::string_view dni) {
    const std::int64_t key = DniKey(dni);
    sqlite::Statement query(Handle(), "SELECT * FROM Alumnos WHERE DNI = ?");
    query.Bind(1, key);
    if (!query.Step()) {
        return StudentRow();
    }
    std::vector<std::pair<std::string, std::string>> columns;
    for (int i = 0; i < query.ColumnCount(); ++i) {
        std::string name = query.ColumnName(i);
        std::string value = query.Text(i);
        if (strcasecmp(name.c_str(), "DNI") == 0 && !query.IsNull(i)) {
            value = DniText(query.Integer(i));
        }
        columns.emplace_back(std::move(name), std::move(value));
    }
    return StudentRow(std::move(columns));
}

StudentRecord Connection::FindStudent(std::string_view dni) {
    StudentRow row = LookUpStudent(dni);
    StudentRecord student;
    student.dni = row.Field("DNI");
    student.nombre = row.Field("Nombre");
    student.apellido1 = row.Field("Apellido1");
    student.apellido2 = row.Field("Apellido2");
    student.puerta = row.Field("Puerta");
    student.agosto = row.Field("Agosto");
    student.finDeSemana = row.Field("Fin_de_semana");
    student.periodoTemporal = row.Field("Periodo_temporal");
    student.fechaA = row.Field("FechaA");
    student.fechaB = row.Field("FechaB");
    return student;
}

void Connection::AddStudent(const StudentRecord& student) {
    const std::int64_t key = DniKey(student.dni);
    WriteTransaction transaction(*this);
    sqlite::Statement insert(
        Handle(), "INSERT INTO Alumnos (DNI, Nombre, Apellido1, Apellido2) VALUES (?, ?, ?, ?)");
    insert.Bind(1, key)
        .Bind(2, student.nombre)
        .Bind(3, student.apellido1)
        .Bind(4, student.apellido2);
    insert.Run();
    transaction.Commit();
}

void Connection::SaveStudent(const StudentRecord& student) {
    const std::int64_t key = DniKey(student.dni);
    WriteTransaction transaction(*this);
    sqlite::Statement update(
        Handle(),
        "UPDATE Alumnos SET Nombre = ?, Apellido1 = ?, Apellido2 = ?, Puerta = ?,"
        " Agosto = ?, Fin_de_semana = ?, Periodo_temporal = ?, FechaA = ?, FechaB = ?"
        " WHERE DNI = ?");
    update.Bind(1, student.nombre)
        .Bind(2, student.apellido1)
        .Bind(3, student.apellido2)
        .Bind(4, student.puerta)
        .Bind(5, student.agosto)
        .Bind(6, student.finDeSemana)
        .Bind(7, student.periodoTemporal)
        .Bind(8, student.fechaA)
        .Bind(9, student.fechaB)
        .Bind(10, key);
    update.Run();
    // SQLite reports no error for an update that matched nothing: the row was removed meanwhile.
    if (sqlite3_changes(Handle()) == 0) {
        NoCurrentRow();
    }
    transaction.Commit();
}

void Connection::DeleteStudent(std::string_view dni) {
    const std::int64_t key = DniKey(dni);
    WriteTransaction transaction(*this);
    sqlite::Statement remove(Handle(), "DELETE FROM Alumnos WHERE DNI = ?");
    remove.Bind(1, key).Run();
    if (sqlite3_changes(Handle()) == 0) {
        NoCurrentRow();
    }
    transaction.Commit();
}

std::vector<AccessRecord> Connection::ListAccesses(std::string_view dni) {
    const std::int64_t key = DniKey(dni);
    sqlite::Statement query(Handle(),
                            "SELECT Fecha, Hora, Puerta FROM Picadas WHERE DNI = ? ORDER BY rowid");
    query.Bind(1, key);
    std::vector<AccessRecord> accesses;
    const std::string dniText = DniText(key);
    while (query.Step()) {
        accesses.push_back({dniText, query.Text(0), query.Text(1), query.Text(2)});
    }
    if (accesses.empty()) {
        NoCurrentRow();
    }
    return accesses;
}

void Connection::DeleteAccesses(std::string_view dni) {
    const std::int64_t key = DniKey(dni);
    WriteTransaction transaction(*this);
    sqlite::Statement remove(Handle(), "DELETE FROM Picadas WHERE DNI = ?");
    remove.Bind(1, key).Run();
    if (sqlite3_changes(Handle()) == 0) {
        NoCurrentRow();
    }
    transaction.Commit();
}

void Connection::AppendAccess(const AccessRecord& access) {
    const std::int64_t key = DniKey(access.dni);
    WriteTransaction transaction(*this);
    sqlite::Statement insert(Handle(),
                             "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (?, ?, ?, ?)");
    insert.Bind(1, key).Bind(2, access.fecha).Bind(3, access.hora).Bind(4, access.puerta);
    insert.Run();
    transaction.Commit();
}

WriteTransaction::WriteTransaction(Connection& connection) : m_db(connection.Handle()) {
    if (sqlite3_get_autocommit(m_db) != 0) {
        sqlite::Execute(m_db, "BEGIN IMMEDIATE");
        m_owner = true;
    }
}

WriteTransaction::~WriteTransaction() {
    if (m_owner && !m_done) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void WriteTransaction::Commit() {
    if (m_owner && !m_done) {
        sqlite::Execute(m_db, "COMMIT");
    }
    m_done = true;
}

}  // namespace accessdb
