#include "PostgresSession.h"

#include <string>

#include "ServerErrors.h"
#include "accessdb/DatabaseError.h"
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
        if (error.Code() != kTablesMissing) {
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

std::unique_ptr<PostgresSession> OpenServer(const StorageLocation& location, OpenMode mode) {
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
    return std::make_unique<PostgresSession>(std::move(link));
}

namespace {

// Type OIDs of the server's whole numbers.
constexpr Oid kInt2Type = 21;
constexpr Oid kInt4Type = 23;
constexpr Oid kInt8Type = 20;

// A result the server sent whole, read row by row.
class ServerRows : public SqlRows {
  public:
    explicit ServerRows(ResultHandle result) : m_result(std::move(result)) {}

    bool Next() override { return ++m_row < PQntuples(m_result.get()); }
    bool IsNull(int column) const override {
        return PQgetisnull(m_result.get(), m_row, column) != 0;
    }
    bool IsInteger(int column) const override {
        const Oid type = PQftype(m_result.get(), column);
        return !IsNull(column) && (type == kInt8Type || type == kInt4Type || type == kInt2Type);
    }
    std::string Text(int column) const override { return Value(m_result.get(), m_row, column); }
    std::int64_t Integer(int column) const override {
        return IsNull(column) ? 0 : std::stoll(Text(column));
    }

  private:
    ResultHandle m_result;
    int m_row = -1;
};

Parameters ParametersOf(const SqlValues& values) {
    Parameters parameters;
    for (const SqlValue& value : values) {
        switch (value.kind) {
            case SqlValue::Kind::Text:
                parameters.Text(value.text);
                break;
            case SqlValue::Kind::Number:
                parameters.Number(value.number);
                break;
            case SqlValue::Kind::Null:
                parameters.Null();
                break;
        }
    }
    return parameters;
}

}  // namespace

std::string NumberedParameters(std::string_view sql) {
    std::string numbered;
    numbered.reserve(sql.size() + 16);
    int next = 1;
    char quote = 0;
    for (const char c : sql) {
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '?') {
            numbered += "$" + std::to_string(next++);
            continue;
        }
        numbered += c;
    }
    return numbered;
}

std::unique_ptr<SqlRows> PostgresSession::Query(std::string_view sql, const SqlValues& values) {
    return std::make_unique<ServerRows>(
        m_link.Run(NumberedParameters(sql).c_str(), ParametersOf(values)));
}

std::int64_t PostgresSession::Execute(std::string_view sql, const SqlValues& values) {
    const ResultHandle done = m_link.Run(NumberedParameters(sql).c_str(), ParametersOf(values));
    return static_cast<std::int64_t>(ChangedRows(done.get()));
}

void PostgresSession::ExecuteTogether(const std::vector<SqlStatement>& statements) {
    if (statements.empty()) {
        return;
    }
    std::string sql;
    SqlValues values;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const bool last = i + 1 == statements.size();
        sql += last ? statements[i].sql
                    : (i == 0 ? "WITH " : ", ") + ("w" + std::to_string(i)) + " AS (" +
                          statements[i].sql + ")";
        if (!last) {
            sql += i + 2 == statements.size() ? " " : "";
        }
        values.insert(values.end(), statements[i].values.begin(), statements[i].values.end());
    }
    Execute(sql, values);
}

bool PostgresSession::InTransaction() const {
    return m_link.IsOpen() && m_link.TransactionStatus() != PQTRANS_IDLE;
}

// The same reading as intentos.dia in Schema.sql, for picadas, which has no column of its own
// for it.
std::string PostgresSession::DayOf(std::string_view column) const {
    const std::string c(column);
    return "(CASE WHEN " + c + " ~ '^[ 0-3][0-9]/[01][0-9]/[0-9]{4}$' THEN substr(" + c +
           ", 7, 4) || '-' || substr(" + c + ", 4, 2) || '-' || replace(substr(" + c +
           ", 1, 2), ' ', '0') ELSE '' END)";
}

void PostgresSession::Begin(TransactionKind kind) {
    const std::string begin = kind == TransactionKind::Write ? "BEGIN; " + kTakeWriteLock
                              : kind == TransactionKind::Read
                                  ? "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"
                                  : "BEGIN";
    try {
        m_link.RunScript(begin.c_str());
    } catch (...) {
        RollBackQuietly(m_link);  // a lock not granted in time leaves the transaction failed
        throw;
    }
}

void PostgresSession::Commit() {
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

void PostgresSession::Rollback() noexcept { RollBackQuietly(m_link); }

}  // namespace accessdb::postgres
