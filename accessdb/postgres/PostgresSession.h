#pragma once

#include <memory>

#include "ServerLink.h"
#include "accessdb/EngineSession.h"
#include "accessdb/StorageLocation.h"

namespace accessdb::postgres {

// The site's database server: the same tables, shared by every door station and console of a
// school. Write transactions take one advisory lock, so consoles' changes follow one another;
// door stations' appends and lookups never take it.
class PostgresSession : public EngineSession {
  public:
    explicit PostgresSession(ServerLink link) : m_link(std::move(link)) {}

    std::unique_ptr<SqlRows> Query(std::string_view sql, const SqlValues& values) override;
    std::int64_t Execute(std::string_view sql, const SqlValues& values) override;
    // One statement, so one round trip: every write but the last as a data-modifying WITH.
    void ExecuteTogether(const std::vector<SqlStatement>& statements) override;
    bool InTransaction() const override;
    void Begin(TransactionKind kind) override;
    void Commit() override;
    void Rollback() noexcept override;
    std::string DayOf(std::string_view column) const override;
    std::string_view AccessOrder() const override { return "orden"; }
    bool Usable() const override { return m_link.IsOpen(); }

    int SchemaVersion() override;
    std::vector<std::string> EngineProblems() override;
    void Backup(const std::filesystem::path& file) override;
    void AllowLongStatements() override;
    void AnswerWithin(std::chrono::milliseconds limit) override {
        m_link.SetStatementDeadline(limit);
    }

    ServerLink& Link() { return m_link; }

  private:
    ServerLink m_link;
};

// The statement with the server's numbered parameters ("$1", "$2"...) for the "?" the jobs
// write, outside quoted texts and names.
std::string NumberedParameters(std::string_view sql);

// Opens a connection on the PostgreSQL server the location names, with the tables at
// kSchemaVersion (table esquema). The console creates missing tables when its role may; the
// controller never creates them. Either brings older tables up to date when its role may
// (Schema.sql, under the write lock); missing or older tables it may not change are an open
// failure that says to run the site set-up script, and a newer version is refused.
std::unique_ptr<PostgresSession> OpenServer(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb::postgres
