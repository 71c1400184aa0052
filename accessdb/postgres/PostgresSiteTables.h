#pragma once

#include <memory>

#include "PostgresEngine.h"
#include "accessdb/SiteTables.h"

namespace accessdb::postgres {

// Whole-table access on the site's server, through an engine opened as the programs open it.
class PostgresSiteTables : public SiteTables {
  public:
    explicit PostgresSiteTables(std::unique_ptr<StorageEngine> engine);

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
    std::unique_ptr<StorageEngine> m_owner;
    PostgresEngine& m_engine;
};

std::unique_ptr<SiteTables> OpenSiteTables(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb::postgres
