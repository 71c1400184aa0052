#include "PostgresSiteTables.h"

#include <limits>
#include <string>

#include "accessdb/Encodings.h"
#include "accessdb/NullColumns.h"

namespace accessdb::postgres {

namespace {

std::int64_t Number(const PGresult* result, int row, int column) {
    return std::stoll(Value(result, row, column));
}

std::int64_t From(std::optional<std::int64_t> after) {
    return after ? *after : std::numeric_limits<std::int64_t>::min();
}

// Columns `first` to `last` of the row that are NULL, marked from `mark` on.
NullColumns NullsOf(const PGresult* result, int row, int first, int last, std::size_t mark) {
    NullColumns nulls;
    for (int column = first; column <= last; ++column, ++mark) {
        if (PQgetisnull(result, row, column)) {
            nulls.Mark(mark);
        }
    }
    return nulls;
}

// The record's columns from `from` on, as parameters: NULL where the row read held NULL.
template <typename Record>
void AddColumns(Parameters& values, const Record& record, const NullColumns& nulls,
                std::size_t from) {
    const auto texts = TextColumns(record);
    for (std::size_t column = from; column < texts.size(); ++column) {
        if (nulls.Has(column)) {
            values.NullText();
        } else {
            values.Text(*texts[column]);
        }
    }
}

}  // namespace

PostgresSiteTables::PostgresSiteTables(std::unique_ptr<StorageEngine> engine)
    : m_owner(std::move(engine)), m_engine(dynamic_cast<PostgresEngine&>(*m_owner)) {}

// One snapshot for every page, while the stations go on appending.
void PostgresSiteTables::BeginRead() {
    m_engine.Link().Run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
}

void PostgresSiteTables::EndRead() noexcept { m_engine.RollbackWrite(); }

void PostgresSiteTables::BeginWrite() { m_engine.BeginWrite(); }
void PostgresSiteTables::CommitWrite() { m_engine.CommitWrite(); }
void PostgresSiteTables::RollbackWrite() noexcept { m_engine.RollbackWrite(); }

std::int64_t PostgresSiteTables::CountStudents() {
    return Number(m_engine.Link().Run("SELECT count(*) FROM alumnos").get(), 0, 0);
}

std::int64_t PostgresSiteTables::CountAccesses() {
    return Number(m_engine.Link().Run("SELECT count(*) FROM picadas").get(), 0, 0);
}

std::int64_t PostgresSiteTables::CountAttempts() {
    return Number(m_engine.Link().Run("SELECT count(*) FROM intentos").get(), 0, 0);
}

std::vector<StoredStudent> PostgresSiteTables::StudentsAfter(std::optional<std::int64_t> after,
                                                             std::size_t limit) {
    const ResultHandle rows = m_engine.Link().Run(
        "SELECT dni, nombre, apellido1, apellido2, puerta, agosto, fin_de_semana,"
        " periodo_temporal, fechaa, fechab FROM alumnos WHERE dni > $1 ORDER BY dni LIMIT $2",
        Parameters().Number(From(after)).Number(static_cast<std::int64_t>(limit)));
    const PGresult* result = rows.get();
    std::vector<StoredStudent> students;
    for (int row = 0; row < PQntuples(result); ++row) {
        students.push_back({{FormatDni(Number(result, row, 0)), Value(result, row, 1),
                             Value(result, row, 2), Value(result, row, 3), Value(result, row, 4),
                             Value(result, row, 5), Value(result, row, 6), Value(result, row, 7),
                             Value(result, row, 8), Value(result, row, 9)},
                            NullsOf(result, row, 1, 9, 1)});
    }
    return students;
}

std::vector<PositionedAccess> PostgresSiteTables::AccessesAfter(std::optional<std::int64_t> after,
                                                                std::size_t limit) {
    const ResultHandle rows = m_engine.Link().Run(
        "SELECT orden, dni, fecha, hora, puerta FROM picadas WHERE orden > $1"
        " ORDER BY orden LIMIT $2",
        Parameters().Number(From(after)).Number(static_cast<std::int64_t>(limit)));
    const PGresult* result = rows.get();
    std::vector<PositionedAccess> accesses;
    for (int row = 0; row < PQntuples(result); ++row) {
        // An access without a DNI (a row the shell left) is copied as it stands.
        const bool noDni = PQgetisnull(result, row, 1) != 0;
        PositionedAccess access{
            Number(result, row, 0),
            {noDni ? std::string() : FormatDni(Number(result, row, 1)), Value(result, row, 2),
             Value(result, row, 3), Value(result, row, 4)},
            NullsOf(result, row, 2, 4, 1)};
        if (noDni) {
            access.nulls.Mark(0);
        }
        accesses.push_back(std::move(access));
    }
    return accesses;
}

void PostgresSiteTables::InsertStudents(const std::vector<StoredStudent>& students) {
    if (students.empty()) {
        return;
    }
    Parameters values;
    for (const StoredStudent& s : students) {
        values.Number(std::stoll(s.dni));
        AddColumns(values, s, s.nulls, 1);
    }
    const std::string sql =
        "INSERT INTO alumnos (dni, nombre, apellido1, apellido2, puerta, agosto, fin_de_semana,"
        " periodo_temporal, fechaa, fechab) VALUES " +
        ValueRows(students.size(), 10);
    m_engine.Link().Run(sql.c_str(), values);
}

void PostgresSiteTables::InsertAttempts(const std::vector<PositionedAttempt>& attempts) {
    if (attempts.empty()) {
        return;
    }
    Parameters values;
    for (const PositionedAttempt& a : attempts) {
        AddColumns(values, a.attempt, a.nulls, 0);
    }
    const std::string sql =
        "INSERT INTO intentos (dni, fecha, hora, puerta, puesto, resultado, motivo) VALUES " +
        ValueRows(attempts.size(), 7);
    m_engine.Link().Run(sql.c_str(), values);
}

void PostgresSiteTables::InsertAccesses(const std::vector<PositionedAccess>& accesses) {
    if (accesses.empty()) {
        return;
    }
    Parameters values;
    for (const PositionedAccess& a : accesses) {
        // An access without a DNI (a row the shell left) is copied as it stands.
        if (a.nulls.Has(0)) {
            values.NullNumber();
        } else {
            values.Number(std::stoll(a.access.dni));
        }
        AddColumns(values, a.access, a.nulls, 1);
    }
    // Identity values follow the order of the rows listed, so the order written is kept.
    const std::string sql =
        "INSERT INTO picadas (dni, fecha, hora, puerta) VALUES " + ValueRows(accesses.size(), 4);
    m_engine.Link().Run(sql.c_str(), values);
}

std::unique_ptr<SiteTables> OpenSiteTables(const StorageLocation& location, OpenMode mode) {
    return std::make_unique<PostgresSiteTables>(OpenEngine(location, mode));
}

std::unique_ptr<AdminTables> OpenAdminTables(const StorageLocation& location, OpenMode mode) {
    auto tables = std::make_unique<PostgresSiteTables>(OpenEngine(location, mode));
    tables->AllowLongStatements();
    return tables;
}

}  // namespace accessdb::postgres
