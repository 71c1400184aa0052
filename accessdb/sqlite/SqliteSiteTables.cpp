#include "SqliteSiteTables.h"

#include <limits>

#include "accessdb/DatabaseError.h"
#include "accessdb/Encodings.h"
#include "accessdb/NullColumns.h"

namespace accessdb::sqlite {

namespace {

std::int64_t Count(sqlite3* db, const char* sql) {
    Statement query(db, sql);
    return query.Step() ? query.Integer(0) : 0;
}

std::int64_t From(std::optional<std::int64_t> after) {
    return after ? *after : std::numeric_limits<std::int64_t>::min();
}

// Columns `first` to `last` of the row that are NULL, marked from `mark` on.
NullColumns NullsOf(const Statement& row, int first, int last, std::size_t mark) {
    NullColumns nulls;
    for (int column = first; column <= last; ++column, ++mark) {
        if (row.IsNull(column)) {
            nulls.Mark(mark);
        }
    }
    return nulls;
}

// The record's columns from `from` on, as parameters from `first` on: NULL where the row read
// held NULL.
template <typename Record>
void BindColumns(Statement& statement, int first, const Record& record, const NullColumns& nulls,
                 std::size_t from) {
    const auto texts = TextColumns(record);
    for (std::size_t column = from; column < texts.size(); ++column, ++first) {
        if (nulls.Has(column)) {
            statement.BindNull(first);
        } else {
            statement.Bind(first, *texts[column]);
        }
    }
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

std::vector<StoredStudent> SqliteSiteTables::StudentsAfter(std::optional<std::int64_t> after,
                                                           std::size_t limit) {
    Statement query(Handle(),
                    "SELECT typeof(DNI), DNI, Nombre, Apellido1, Apellido2, Puerta, Agosto,"
                    " Fin_de_semana, Periodo_temporal, FechaA, FechaB FROM Alumnos"
                    " WHERE DNI > ? ORDER BY DNI LIMIT ?");
    query.Bind(1, From(after)).Bind(2, static_cast<std::int64_t>(limit));
    std::vector<StoredStudent> students;
    while (query.Step()) {
        // A key stored as text (a spreadsheet import) would be copied as a different student.
        if (query.Text(0) != "integer") {
            throw DatabaseError(kStoredDniNotANumber,
                                "La tabla Alumnos guarda el DNI \"" + query.Text(1) +
                                    "\" como texto y no como número. Corrija esa fila "
                                    "antes de copiar la base de datos.");
        }
        students.push_back({{FormatDni(query.Integer(1)), query.Text(2), query.Text(3),
                             query.Text(4), query.Text(5), query.Text(6), query.Text(7),
                             query.Text(8), query.Text(9), query.Text(10)},
                            NullsOf(query, 2, 10, 1)});
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
        const bool noDni = query.Text(1) == "null";
        if (query.Text(1) != "integer" && !noDni) {
            throw DatabaseError(kStoredDniNotANumber,
                                "La tabla Picadas guarda el DNI \"" + query.Text(2) +
                                    "\" como texto y no como número. Corrija esa fila "
                                    "antes de copiar la base de datos.");
        }
        // An access without a DNI (a row the shell left) is copied as it stands.
        PositionedAccess access{query.Integer(0),
                                {noDni ? std::string() : FormatDni(query.Integer(2)), query.Text(3),
                                 query.Text(4), query.Text(5)},
                                NullsOf(query, 3, 5, 1)};
        if (noDni) {
            access.nulls.Mark(0);
        }
        accesses.push_back(std::move(access));
    }
    return accesses;
}

void SqliteSiteTables::InsertStudents(const std::vector<StoredStudent>& students) {
    for (const StoredStudent& s : students) {
        Statement insert(Handle(),
                         "INSERT INTO Alumnos (DNI, Nombre, Apellido1, Apellido2, Puerta, Agosto,"
                         " Fin_de_semana, Periodo_temporal, FechaA, FechaB)"
                         " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        insert.Bind(1, static_cast<std::int64_t>(std::stoll(s.dni)));
        BindColumns(insert, 2, s, s.nulls, 1);
        insert.Run();
    }
}

void SqliteSiteTables::InsertAccesses(const std::vector<PositionedAccess>& accesses) {
    for (const PositionedAccess& a : accesses) {
        Statement insert(Handle(),
                         "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (?, ?, ?, ?)");
        // An access without a DNI (a row the shell left) is copied as it stands.
        if (a.nulls.Has(0)) {
            insert.BindNull(1);
        } else {
            insert.Bind(1, static_cast<std::int64_t>(std::stoll(a.access.dni)));
        }
        BindColumns(insert, 2, a.access, a.nulls, 1);
        insert.Run();
    }
}

std::int64_t SqliteSiteTables::CountAttempts() {
    return Count(Handle(), "SELECT count(*) FROM Intentos");
}

void SqliteSiteTables::InsertAttempts(const std::vector<PositionedAttempt>& attempts) {
    for (const PositionedAttempt& a : attempts) {
        Statement insert(
            Handle(),
            "INSERT INTO Intentos (DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo)"
            " VALUES (?, ?, ?, ?, ?, ?, ?)");
        BindColumns(insert, 1, a.attempt, a.nulls, 0);
        insert.Run();
    }
}

}  // namespace accessdb::sqlite
