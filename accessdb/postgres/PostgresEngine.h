#pragma once

#include <memory>

#include "ServerLink.h"
#include "accessdb/StorageEngine.h"
#include "accessdb/StorageLocation.h"

namespace accessdb {
enum class OpenMode;
}

namespace accessdb::postgres {

// The site's database server: the same two tables, shared by every door station and console
// of a school. Write transactions take one advisory lock, so consoles' changes follow one
// another; door stations' appends and lookups never take it.
class PostgresEngine : public StorageEngine {
  public:
    explicit PostgresEngine(ServerLink link) : m_link(std::move(link)) {}

    std::optional<StudentColumns> FindStudentRow(std::int64_t dni) override;
    void InsertStudent(std::int64_t dni, const StudentRecord& student) override;
    bool UpdateStudent(std::int64_t dni, const StudentRecord& student) override;
    bool DeleteStudent(std::int64_t dni) override;
    std::vector<AccessRecord> ListAccesses(std::int64_t dni) override;
    std::size_t DeleteAccesses(std::int64_t dni) override;
    void AppendAccess(std::int64_t dni, const AccessRecord& access) override;
    void AppendAttempt(const AttemptRecord& attempt) override;
    AttemptPage ListAttempts(const AttemptQuery& query) override;
    std::vector<AttemptDayCount> CountAttempts(const AttemptQuery& query) override;
    void BeginWrite() override;
    void CommitWrite() override;
    void RollbackWrite() noexcept override;

    ServerLink& Link() { return m_link; }

  private:
    ServerLink m_link;
};

// A row of intentos read with kAttemptColumns.
PositionedAttempt ReadAttempt(const PGresult* result, int row);

// Opens a connection on the PostgreSQL server the location names, with the tables at
// kSchemaVersion (table esquema). The console creates missing tables when its role may; the
// controller never creates them. Either brings older tables up to date when its role may
// (Schema.sql, under the write lock); missing or older tables it may not change are an open
// failure that says to run the site set-up script, and a newer version is refused.
std::unique_ptr<StorageEngine> OpenEngine(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb::postgres
