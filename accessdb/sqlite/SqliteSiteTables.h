#pragma once

#include <memory>

#include "SqliteEngine.h"
#include "accessdb/SiteTables.h"

namespace accessdb::sqlite {

// Whole-table access on the file, through an engine opened as the programs open it.
class SqliteSiteTables : public SiteTables {
  public:
    explicit SqliteSiteTables(std::unique_ptr<SqliteEngine> engine) : m_engine(std::move(engine)) {}

    void BeginRead() override;
    void EndRead() noexcept override;
    void BeginWrite() override;
    void CommitWrite() override;
    void RollbackWrite() noexcept override;
    std::int64_t CountStudents() override;
    std::int64_t CountAccesses() override;
    std::vector<StudentRecord> StudentsAfter(std::optional<std::int64_t> after,
                                             std::size_t limit) override;
    std::vector<PositionedAccess> AccessesAfter(std::optional<std::int64_t> after,
                                                std::size_t limit) override;
    void InsertStudents(const std::vector<StudentRecord>& students) override;
    void InsertAccesses(const std::vector<AccessRecord>& accesses) override;

  private:
    sqlite3* Handle() const { return m_engine->Handle(); }
    std::unique_ptr<SqliteEngine> m_engine;
};

}  // namespace accessdb::sqlite
