#include "SqliteSession.h"

#include "DayOf.h"
#include "FileKeeper.h"
#include "Schema.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/DatabaseFile.h"

namespace accessdb::sqlite {

namespace {

// The write-ahead log is checkpointed and emptied once it holds this many pages (about
// 256 KiB, some thirty cards), by the commit that reaches it: the log stays small, and so does
// what a program that did not end normally leaves beside the file. A program's last connection
// on the file folds the rest back in as it closes (FileKeeping.h).
constexpr int kWalPagesPerCheckpoint = 64;

// `patience` the connection's busy timeout in milliseconds, given back afterwards (none: the
// programs' usual one).
int CheckpointLongWal(void* patience, sqlite3* db, const char* name, int pages) {
    if (pages >= kWalPagesPerCheckpoint) {
        // Never waits: while another program reads or writes, a later commit checkpoints.
        sqlite3_busy_timeout(db, 0);
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_busy_timeout(
            db, patience != nullptr ? *static_cast<const int*>(patience) : kBusyTimeoutMs);
    }
    return SQLITE_OK;  // the commit itself has succeeded whatever the checkpoint did
}

[[noreturn]] void RefuseNonFile(const std::filesystem::path& entry) {
    throw DatabaseError(SQLITE_CANTOPEN,
                        "No se puede abrir " + DatabaseAt(entry) + ": '" +
                            entry.filename().string() +
                            "' es una carpeta (o algo que no es un archivo), no el archivo de la "
                            "base de datos. Cámbiele el nombre o retírela, y ponga en su lugar el "
                            "archivo de la base de datos.");
}

}  // namespace

std::unique_ptr<SqliteSession> OpenFile(const std::filesystem::path& file, OpenMode mode) {
    std::filesystem::path path = file;
    const std::optional<std::filesystem::path> existing = FindDatabaseFile(file);
    if (existing) {
        path = *existing;
    } else if (const auto other = FindNonFileEntry(file)) {
        RefuseNonFile(*other);
    } else if (mode == OpenMode::ExistingOnly) {
        throw DatabaseError(kFileNotFound,
                            "No se encuentra el archivo de base de datos '" +
                                file.filename().string() + "' en la carpeta '" +
                                std::filesystem::absolute(file).parent_path().string() +
                                "'. Compruebe que el programa se inicia en la carpeta de datos "
                                "del centro; si la base de datos aún no existe, ábrala primero "
                                "con Mireval, que la crea.");
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX |
                      (mode == OpenMode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK) {
        throw Describe(std::filesystem::absolute(path), FailureOf(db.get(), rc), Intent::Open);
    }
    if (!existing) {
        ShareWithFolderGroup(path);  // before the journal files copy its mode
    }
    sqlite3_extended_result_codes(db.get(), 0);
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    sqlite3_wal_hook(db.get(), CheckpointLongWal, nullptr);
    // A granted access reported as stored must survive a power cut. The first statement reads
    // the file's schema: what fails here (not a database, a read-only folder) fails the open.
    Execute(db.get(), "PRAGMA synchronous = FULL", Intent::Open);
    // Reading the tables also proves the file is a database at all: a damaged file fails here,
    // as an open failure, before anything is read or written.
    PrepareSchema(db.get(), mode == OpenMode::CreateIfMissing);
    KeepOpen(path);
    return std::make_unique<SqliteSession>(std::move(db));
}

namespace {

// A statement's rows as the engine steps through them.
class SqliteRows : public SqlRows {
  public:
    SqliteRows(sqlite3* db, std::string_view sql, const SqlValues& values) : m_statement(db, sql) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const SqlValue& value = values[i];
            const int index = static_cast<int>(i + 1);
            switch (value.kind) {
                case SqlValue::Kind::Text:
                    m_statement.Bind(index, value.text);
                    break;
                case SqlValue::Kind::Number:
                    m_statement.Bind(index, value.number);
                    break;
                case SqlValue::Kind::Null:
                    m_statement.BindNull(index);
                    break;
            }
        }
    }

    bool Next() override { return m_statement.Step(); }
    bool IsNull(int column) const override { return m_statement.IsNull(column); }
    bool IsInteger(int column) const override { return m_statement.IsInteger(column); }
    std::string Text(int column) const override { return m_statement.Text(column); }
    std::int64_t Integer(int column) const override { return m_statement.Integer(column); }

    Statement& Prepared() { return m_statement; }

  private:
    Statement m_statement;
};

}  // namespace

std::unique_ptr<SqlRows> SqliteSession::Query(std::string_view sql, const SqlValues& values) {
    return std::make_unique<SqliteRows>(Handle(), sql, values);
}

std::int64_t SqliteSession::Execute(std::string_view sql, const SqlValues& values) {
    SqliteRows statement(Handle(), sql, values);
    statement.Prepared().Run();
    return sqlite3_changes64(Handle());
}

bool SqliteSession::InTransaction() const { return sqlite3_get_autocommit(Handle()) == 0; }

void SqliteSession::Begin(TransactionKind kind) {
    if (kind == TransactionKind::Read) {
        // A deferred transaction reads one snapshot of the WAL file until it ends; writers go on.
        sqlite::Execute(Handle(), "BEGIN", Intent::Read);
    } else {
        // BEGIN IMMEDIATE takes the write lock at once, so the other program's writer is waited
        // for (busy timeout) before the check inside the transaction, not found later at the
        // write. The file has one writer at a time, so every write is serialised.
        sqlite::Execute(Handle(), "BEGIN IMMEDIATE");
    }
}

void SqliteSession::AnswerWithin(std::chrono::milliseconds limit) {
    m_patienceMs = static_cast<int>(limit.count());
    sqlite3_busy_timeout(Handle(), m_patienceMs);
    sqlite3_wal_hook(Handle(), CheckpointLongWal, &m_patienceMs);
}

void SqliteSession::Commit() { sqlite::Execute(Handle(), "COMMIT"); }

void SqliteSession::Rollback() noexcept {
    sqlite3_exec(Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

std::string SqliteSession::DayOf(std::string_view column) const { return sqlite::DayOf(column); }

int SqliteSession::SchemaVersion() {
    return static_cast<int>(QueryNumber(*this, "PRAGMA user_version"));
}

}  // namespace accessdb::sqlite
