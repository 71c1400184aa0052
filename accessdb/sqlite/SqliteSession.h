#pragma once

#include <filesystem>
#include <memory>

#include "Failures.h"
#include "SqliteHandles.h"
#include "accessdb/EngineSession.h"

namespace accessdb::sqlite {

// The embedded file: one SQLite database in WAL mode, shared by the programs of one PC.
class SqliteSession : public EngineSession {
  public:
    explicit SqliteSession(DatabaseHandle db) : m_db(std::move(db)) {}

    std::unique_ptr<SqlRows> Query(std::string_view sql, const SqlValues& values) override;
    std::int64_t Execute(std::string_view sql, const SqlValues& values) override;
    bool InTransaction() const override;
    void Begin(TransactionKind kind) override;
    void Commit() override;
    void Rollback() noexcept override;
    std::string DayOf(std::string_view column) const override;
    // Picadas has no column of its own for it: its rowid grows as rows are appended.
    std::string_view AccessOrder() const override { return "rowid"; }

    int SchemaVersion() override;
    std::vector<std::string> EngineProblems() override;
    void Backup(const std::filesystem::path& file) override;
    void AnswerWithin(std::chrono::milliseconds limit) override;

    sqlite3* Handle() const { return m_db.get(); }

  private:
    DatabaseHandle m_db;
    // How long a statement waits for another program's writer.
    int m_patienceMs = kBusyTimeoutMs;
};

// Opens the file (found whatever the letter case of its name) and prepares it for the
// programs; the console creates a missing file with its tables, the controller never does.
std::unique_ptr<SqliteSession> OpenFile(const std::filesystem::path& file, OpenMode mode);

}  // namespace accessdb::sqlite
