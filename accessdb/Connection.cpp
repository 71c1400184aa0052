#include "Connection.h"

#include <string>

#include "DatabaseError.h"
#include "Encodings.h"
#include "postgres/PostgresEngine.h"
#include "sqlite/SqliteEngine.h"

namespace accessdb {

namespace {

// The DNI is checked before anything is read or written, and reaches the engine only as a
// number: a forged "1 OR 1=1" can neither match nor delete other students' rows.
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
