#pragma once

#include <limits>
#include <memory>

#include "PostgresEngine.h"
#include "accessdb/AdminTables.h"

namespace accessdb::postgres {

// Whole-table access and the bulk jobs on the site's server, through an engine opened as the
// programs open it (so the tables are at kSchemaVersion).
class PostgresSiteTables : public AdminTables {
  public:
    explicit PostgresSiteTables(std::unique_ptr<StorageEngine> engine);

    void BeginRead() override;
    void EndRead() noexcept override;
    void BeginWrite() override;
    void CommitWrite() override;
    void RollbackWrite() noexcept override;
    std::int64_t CountStudents() override;
    std::int64_t CountAccesses() override;
    std::int64_t CountAttempts() override;
    std::vector<StoredStudent> StudentsAfter(std::optional<std::int64_t> after,
                                             std::size_t limit) override;
    std::vector<PositionedAccess> AccessesAfter(std::optional<std::int64_t> after,
                                                std::size_t limit) override;
    void InsertStudents(const std::vector<StoredStudent>& students) override;
    void InsertAccesses(const std::vector<PositionedAccess>& accesses) override;
    void InsertAttempts(const std::vector<PositionedAttempt>& attempts) override;

    int SchemaVersion() override;
    std::vector<std::string> CheckIntegrity() override;
    std::vector<PositionedAttempt> AttemptsAfter(std::optional<std::int64_t> after,
                                                 std::size_t limit) override;
    void ForEachAccess(const std::string& from, const std::string& to,
                       const std::function<void(const AccessRecord&)>& row) override;
    void ForEachAttempt(const std::string& from, const std::string& to,
                        const std::function<void(const AttemptRecord&)>& row) override;
    void ImportStudents(const std::vector<StudentRecord>& students, bool update) override;
    std::int64_t PurgeChunk(const std::string& before, std::size_t chunk) override;
    PersonRecord Person(std::int64_t dni) override;
    void Erase(std::int64_t dni) override;
    void Backup(const std::filesystem::path& file) override;

    // A bulk job's statements may read a whole table (an integrity check, the rows before an
    // export's first day): they get a longer deadline than a card's or a console's.
    void AllowLongStatements();

  private:
    ServerLink& Link() { return m_engine.Link(); }

    std::unique_ptr<StorageEngine> m_owner;
    PostgresEngine& m_engine;
    // How far a purge has looked through picadas for days before m_purgeBefore (AdminJobs).
    std::string m_purgeBefore;
    std::int64_t m_purgeScanned = std::numeric_limits<std::int64_t>::min();
    bool m_accessesPurged = false;
};

std::unique_ptr<SiteTables> OpenSiteTables(const StorageLocation& location, OpenMode mode);
std::unique_ptr<AdminTables> OpenAdminTables(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb::postgres
