#include "Connection.h"

#include <algorithm>
#include <string>

#include "DatabaseError.h"
#include "Encodings.h"
#include "InputChecks.h"
#include "postgres/PostgresEngine.h"
#include "sqlite/SqliteEngine.h"

namespace accessdb {

namespace {

[[noreturn]] void NoCurrentRow() {
    throw DatabaseError(kNoCurrentRow, "No hay ningún registro activo.");
}

}  // namespace

Connection Connection::Open(const StorageLocation& location, OpenMode mode) {
    if (location.IsServer()) {
        return Connection(postgres::OpenEngine(location, mode));
    }
    return Connection(sqlite::OpenEngine(location.File(), mode));
}

Connection::Connection(std::unique_ptr<StorageEngine> engine) : m_engine(std::move(engine)) {}

Connection::~Connection() = default;

StudentRow Connection::LookUpStudent(std::string_view dni) {
    std::optional<StudentColumns> columns = m_engine->FindStudentRow(DniKey(dni));
    return columns ? StudentRow(std::move(*columns)) : StudentRow();
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
    m_engine->InsertStudent(DniKey(student.dni), student);
}

void Connection::SaveStudent(const StudentRecord& student) {
    // The engines report no error for an update that matched nothing: the row was removed
    // meanwhile, which the console reports as a missing row.
    if (!m_engine->UpdateStudent(DniKey(student.dni), student)) {
        NoCurrentRow();
    }
}

void Connection::DeleteStudent(std::string_view dni) {
    if (!m_engine->DeleteStudent(DniKey(dni))) {
        NoCurrentRow();
    }
}

std::vector<AccessRecord> Connection::ListAccesses(std::string_view dni) {
    const std::int64_t key = DniKey(dni);
    std::vector<AccessRecord> accesses = m_engine->ListAccesses(key);
    if (accesses.empty()) {
        NoCurrentRow();
    }
    const std::string dniText = FormatDni(key);
    for (AccessRecord& access : accesses) {
        access.dni = dniText;
    }
    return accesses;
}

void Connection::DeleteAccesses(std::string_view dni) {
    if (m_engine->DeleteAccesses(DniKey(dni)) == 0) {
        NoCurrentRow();
    }
}

void Connection::AppendAccess(const AccessRecord& access) {
    m_engine->AppendAccess(DniKey(access.dni), access);
}

void Connection::AppendAttempt(const AttemptRecord& attempt) {
    AttemptRecord stored = attempt;
    // A card's bytes as read, in a form both engines store as text (the server refuses bytes
    // that are not UTF-8, and a NUL in any text).
    for (char& c : stored.dni) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            c = '?';
        }
    }
    m_engine->AppendAttempt(stored);
}

AttemptPage Connection::ListAttempts(const AttemptQuery& query) {
    CheckDay(query.from, "El primer día", true);
    CheckDay(query.to, "El último día", true);
    AttemptQuery checked = query;
    checked.limit = std::clamp<std::size_t>(query.limit, 1, kMaxAttemptPage);
    return m_engine->ListAttempts(checked);
}

std::vector<AttemptDayCount> Connection::CountAttempts(const AttemptQuery& query) {
    CheckDay(query.from, "El primer día", true);
    CheckDay(query.to, "El último día", true);
    return m_engine->CountAttempts(query);
}

WriteTransaction::WriteTransaction(Connection& connection) : m_connection(connection) {
    if (m_connection.m_writeDepth == 0) {
        m_connection.m_engine->BeginWrite();
        m_owner = true;
    }
    ++m_connection.m_writeDepth;
}

WriteTransaction::~WriteTransaction() {
    --m_connection.m_writeDepth;
    if (m_owner && !m_done) {
        m_connection.m_engine->RollbackWrite();
    }
}

void WriteTransaction::Commit() {
    if (m_owner && !m_done) {
        m_connection.m_engine->CommitWrite();
    }
    m_done = true;
}

}  // namespace accessdb
