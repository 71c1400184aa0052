#include "SqliteSiteTables.h"

#include <limits>

#include "accessdb/DatabaseError.h"
#include "accessdb/Encodings.h"

namespace accessdb::sqlite {

namespace {

std::int64_t Count(sqlite3* db, const char* sql) {
    Statement query(db, sql);
    return query.Step() ? query.Integer(0) : 0;
}

std::int64_t From(std::optional<std::int64_t> after) {
    return after ? *after : std::numeric_limits<std::int64_t>::min();
}

}  // namespace

// A deferred transaction reads one snapshot of the WAL file until it ends; writers go on.
void SqliteSiteTables::BeginRead() { Execute(Handle(), "BEGIN"); }

void SqliteSiteTables::EndRead() noexcept {
    sqlite3_exec(Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteSiteTables::BeginWrite() { m_engine->BeginWrite(); }
void SqliteSiteTables::CommitWrite() { m_engine->CommitWrite(); }
void SqliteSiteTables::RollbackWrite() noexcept { m_engine->RollbackWrite(); }

std::int64_t SqliteSiteTables::CountStudents() {
    return Count(Handle(), "SELECT count(*) FROM Alumnos");
}

std::int64_t SqliteSiteTables::CountAccesses() {
    return Count(Handle(), "SELECT count(*) FROM Picadas");
}

std::vector<StudentRecord> SqliteSiteTables::StudentsAfter(std::optional<std::int64_t> after,
                                                           std::size_t limit) {
    Statement query(Handle(),
                    "SELECT typeof(DNI), DNI, Nombre, Apellido1, Apellido2, Puerta, Agosto,"
                    " Fin_de_semana, Periodo_temporal, FechaA, FechaB FROM Alumnos"
                    " WHERE DNI > ? ORDER BY DNI LIMIT ?");
    query.Bind(1, From(after)).Bind(2, static_cast<std::int64_t>(limit));
    std::vector<StudentRecord> students;
    while (query.Step()) {
        // A key stored as text (a spreadsheet import) would be copied as a different student.
        if (query.Text(0) != "integer") {
            throw DatabaseError(kStoredDniNotANumber,
                                "La tabla Alumnos guarda el DNI \"" + query.Text(1) +
                                    "\" como texto y no como número. Corrija esa fila "
                                    "antes de copiar la base de datos.");
        }
        students.push_back({FormatDni(query.Integer(1)), query.Text(2), query.Text(3),
                            query.Text(4), query.Text(5), query.Text(6), query.Text(7),
                            query.Text(8), query.Text(9), query.Text(10)});
    }
    return students;
}

std::vector<PositionedAccess> SqliteSiteTables::AccessesAfter(std::optional<std::int64_t> after,
                                                              std::size_t limit) {
    Statement query(Handle(),
                    "SELECT rowid, typeof(DNI), DNI, Fecha, Hora, Puerta FROM Picadas"
                    " WHERE rowid > ? ORDER BY rowid LIMIT ?");
    query.Bind(1, From(after)).Bind(2, static_cast<std::int64_t>(limit));
    std::vector<PositionedAccess> accesses;
    while (query.Step()) {
        if (query.Text(1) != "integer") {
            throw DatabaseError(kStoredDniNotANumber,
                                "La tabla Picadas guarda el DNI \"" + query.Text(2) +
                                    "\" como texto y no como número. Corrija esa fila "
                                    "antes de copiar la base de datos.");
        }
        accesses.push_back(
            {query.Integer(0),
             {FormatDni(query.Integer(2)), query.Text(3), query.Text(4), query.Text(5)}});
    }
    return accesses;
}

void SqliteSiteTables::InsertStudents(const std::vector<StudentRecord>& students) {
    for (const StudentRecord& s : students) {
        Statement insert(Handle(),
                         "INSERT INTO Alumnos (DNI, Nombre, Apellido1, Apellido2, Puerta, Agosto,"
                         " Fin_de_semana, Periodo_temporal, FechaA, FechaB)"
                         " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        BindStudentFields(insert.Bind(1, static_cast<std::int64_t>(std::stoll(s.dni))), 2, s);
        insert.Run();
    }
}

void SqliteSiteTables::InsertAccesses(const std::vector<AccessRecord>& accesses) {
    for (const AccessRecord& a : accesses) {
        m_engine->AppendAccess(std::stoll(a.dni), a);
    }
}

std::int64_t SqliteSiteTables::CountAttempts() {
    return Count(Handle(), "SELECT count(*) FROM Intentos");
}

void SqliteSiteTables::InsertAttempts(const std::vector<AttemptRecord>& attempts) {
    for (const AttemptRecord& a : attempts) {
        m_engine->AppendAttempt(a);
    }
}

}  // namespace accessdb::sqlite
