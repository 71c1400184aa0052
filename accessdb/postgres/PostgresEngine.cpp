#include "PostgresEngine.h"

#include <strings.h>

#include <string>

#include "ServerErrors.h"
#include "accessdb/AttemptListingSql.h"
#include "accessdb/Connection.h"
#include "accessdb/Encodings.h"
#include "accessdb/SchemaVersion.h"
#include "accessdb/postgres/SchemaSql.h"

namespace accessdb::postgres {

namespace {

// The one advisory lock every write transaction of the database takes: consoles' changes
// follow one another, so a check and the write after it cannot interleave with another's.
const std::string kTakeWriteLock = "SELECT pg_advisory_xact_lock(7318402113)";

void RollBackQuietly(ServerLink& link) noexcept {
    if (link.IsOpen() && link.TransactionStatus() != PQTRANS_IDLE) {
        try {
            link.Run("ROLLBACK");
        } catch (...) {  // a broken connection is closed; the server rolls back by itself
        }
    }
}

// The version the tables are at, 0 when there are none, 1 when they predate the version table;
// learnt with the server's limits in the open's first round trip.
int ReadVersion(ServerLink& link) {
    const std::string limits =
        "SET statement_timeout = " + std::to_string(kServerStatementTimeoutMs) +
        "; SET lock_timeout = " + std::to_string(kServerLockTimeoutMs) + ";";
    try {
        const ResultHandle version =
            link.RunScript((limits + " SELECT max(version) FROM esquema").c_str());
        if (PQntuples(version.get()) == 1 && !PQgetisnull(version.get(), 0, 0)) {
            return std::stoi(Value(version.get(), 0, 0));
        }
    } catch (const DatabaseError& error) {
        if (error.Code() == kServerPermissionDenied) {
            // Tables a console's role added, whose rights the set-up script has not yet given.
            throw VersionHiddenError(link.Origin());
        }
        if (error.Code() != kServerTablesMissing) {
            throw;
        }
    }
    // A failed statement takes the limits with it: the script was one implicit transaction.
    const ResultHandle tables =
        link.RunScript((limits + " SELECT to_regclass('alumnos') IS NOT NULL"
                                 " AND to_regclass('picadas') IS NOT NULL")
                           .c_str());
    return Value(tables.get(), 0, 0) == "t" ? 1 : 0;
}

// Runs the schema script, which adds whatever is missing, under the write lock, so that two
// programs finding an old database at once do not both upgrade it.
void Upgrade(ServerLink& link, int version) {
    const std::string script = "BEGIN; " + kTakeWriteLock + ";\n" + kSchemaSql + "\nCOMMIT";
    try {
        link.RunScript(script.c_str());
    } catch (const DatabaseError& error) {
        RollBackQuietly(link);
        if (error.Code() == kServerPermissionDenied) {
            // Door stations, and consoles on a server the set-up script prepared, may not
            // create tables.
            throw version == 0 ? TablesMissingError(link.Origin())
                               : OutdatedError(link.Origin(), version);
        }
        throw;
    }
}

}  // namespace

std::unique_ptr<StorageEngine> OpenEngine(const StorageLocation& location, OpenMode mode) {
    ServerLink link = ServerLink::Connect(location);
    const int version = ReadVersion(link);
    if (version > kSchemaVersion) {
        throw NewerError(location.Origin(), version);
    }
    if (version < kSchemaVersion) {
        // The controller never creates the tables, but brings existing ones up to date.
        if (version == 0 && mode != OpenMode::CreateIfMissing) {
            throw TablesMissingError(location.Origin());
        }
        Upgrade(link, version);
    }
    return std::make_unique<PostgresEngine>(std::move(link));
}

std::optional<StudentColumns> PostgresEngine::FindStudentRow(std::int64_t dni) {
    const ResultHandle rows =
        m_link.Run("SELECT * FROM alumnos WHERE dni = $1", Parameters().Number(dni));
    const PGresult* result = rows.get();
    if (PQntuples(result) == 0) {
        return std::nullopt;
    }
    StudentColumns columns;
    for (int i = 0; i < PQnfields(result); ++i) {
        std::string name = PQfname(result, i);
        std::string value = Value(result, 0, i);
        if (strcasecmp(name.c_str(), "dni") == 0 && !value.empty()) {
            value = FormatDni(std::stoll(value));
        }
        columns.emplace_back(std::move(name), std::move(value));
    }
    return columns;
}

void PostgresEngine::InsertStudent(std::int64_t dni, const StudentRecord& student) {
    m_link.Run("INSERT INTO alumnos (dni, nombre, apellido1, apellido2) VALUES ($1, $2, $3, $4)",
               Parameters()
                   .Number(dni)
                   .Text(student.nombre)
                   .Text(student.apellido1)
                   .Text(student.apellido2));
}

bool PostgresEngine::UpdateStudent(std::int64_t dni, const StudentRecord& student) {
    const ResultHandle done = m_link.Run(
        "UPDATE alumnos SET nombre = $1, apellido1 = $2, apellido2 = $3, puerta = $4,"
        " agosto = $5, fin_de_semana = $6, periodo_temporal = $7, fechaa = $8, fechab = $9"
        " WHERE dni = $10",
        Parameters()
            .Text(student.nombre)
            .Text(student.apellido1)
            .Text(student.apellido2)
            .Text(student.puerta)
            .Text(student.agosto)
            .Text(student.finDeSemana)
            .Text(student.periodoTemporal)
            .Text(student.fechaA)
            .Text(student.fechaB)
            .Number(dni));
    return ChangedRows(done.get()) > 0;
}

bool PostgresEngine::DeleteStudent(std::int64_t dni) {
    const ResultHandle done =
        m_link.Run("DELETE FROM alumnos WHERE dni = $1", Parameters().Number(dni));
    return ChangedRows(done.get()) > 0;
}

std::vector<AccessRecord> PostgresEngine::ListAccesses(std::int64_t dni) {
    const ResultHandle rows =
        m_link.Run("SELECT fecha, hora, puerta FROM picadas WHERE dni = $1 ORDER BY orden",
                   Parameters().Number(dni));
    std::vector<AccessRecord> accesses;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        accesses.push_back({std::string(), Value(rows.get(), row, 0), Value(rows.get(), row, 1),
                            Value(rows.get(), row, 2)});
    }
    return accesses;
}

std::size_t PostgresEngine::DeleteAccesses(std::int64_t dni) {
    const ResultHandle done =
        m_link.Run("DELETE FROM picadas WHERE dni = $1", Parameters().Number(dni));
    return ChangedRows(done.get());
}

void PostgresEngine::AppendAccess(std::int64_t dni, const AccessRecord& access) {
    // No lock of the consoles' is taken: an append never waits for a console's change.
    m_link.Run("INSERT INTO picadas (dni, fecha, hora, puerta) VALUES ($1, $2, $3, $4)",
               Parameters().Number(dni).Text(access.fecha).Text(access.hora).Text(access.puerta));
}

void PostgresEngine::AppendAttempt(const AttemptRecord& attempt) {
    // Like an access, never behind a console's lock; dia fills itself from fecha.
    m_link.Run(
        "INSERT INTO intentos (dni, fecha, hora, puerta, puesto, resultado, motivo)"
        " VALUES ($1, $2, $3, $4, $5, $6, $7)",
        Parameters()
            .Text(attempt.dni)
            .Text(attempt.fecha)
            .Text(attempt.hora)
            .Text(attempt.puerta)
            .Text(attempt.puesto)
            .Text(attempt.resultado)
            .Text(attempt.motivo));
}

namespace {

std::string Marker(int n) { return "$" + std::to_string(n); }

Parameters ValuesOf(const std::vector<SqlValue>& given) {
    Parameters values;
    for (const SqlValue& value : given) {
        if (value.isNumber) {
            values.Number(value.number);
        } else {
            values.Text(value.text);
        }
    }
    return values;
}

}  // namespace

AttemptPage PostgresEngine::ListAttempts(const AttemptQuery& query) {
    const SqlWithValues listing = AttemptListingSql(query, Marker);
    const ResultHandle rows = m_link.Run(listing.sql.c_str(), ValuesOf(listing.values));
    std::vector<PositionedAttempt> attempts;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        attempts.push_back(ReadAttempt(rows.get(), row));
        attempts.back().student = StudentName(Value(rows.get(), row, 9), Value(rows.get(), row, 10),
                                              Value(rows.get(), row, 11));
    }
    return PageOf(std::move(attempts), query);
}

std::vector<AttemptDayCount> PostgresEngine::CountAttempts(const AttemptQuery& query) {
    const SqlWithValues counting = AttemptCountSql(query, Marker);
    const ResultHandle rows = m_link.Run(counting.sql.c_str(), ValuesOf(counting.values));
    std::vector<AttemptDayCount> counts;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
        counts.push_back({Value(rows.get(), row, 0), Value(rows.get(), row, 1),
                          std::stoll(Value(rows.get(), row, 2))});
    }
    return counts;
}

PositionedAttempt ReadAttempt(const PGresult* result, int row) {
    const auto text = [&](int column) { return Value(result, row, column); };
    PositionedAttempt read{std::stoll(text(0)),
                           text(8),
                           {text(1), text(2), text(3), text(4), text(5), text(6), text(7)}};
    for (int column = 1; column <= 7; ++column) {
        if (PQgetisnull(result, row, column)) {
            read.nulls.Mark(column - 1);
        }
    }
    return read;
}

void PostgresEngine::BeginWrite() {
    const std::string begin = "BEGIN; " + kTakeWriteLock;
    try {
        m_link.RunScript(begin.c_str());
    } catch (...) {
        RollBackQuietly(m_link);  // a lock not granted in time leaves the transaction failed
        throw;
    }
}

void PostgresEngine::CommitWrite() {
    // The server turns the commit of a transaction in which a statement failed into a
    // rollback without an error: that must not be reported as stored.
    if (m_link.TransactionStatus() == PQTRANS_INERROR) {
        RollBackQuietly(m_link);
        throw NotStoredError();
    }
    const ResultHandle done = m_link.Run("COMMIT");
    if (std::string_view(PQcmdStatus(done.get())) != "COMMIT") {
        throw NotStoredError();
    }
}

void PostgresEngine::RollbackWrite() noexcept { RollBackQuietly(m_link); }

}  // namespace accessdb::postgres
