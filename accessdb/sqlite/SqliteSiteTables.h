#pragma once

#include <limits>
#include <memory>

#include "SqliteEngine.h"
#include "accessdb/AdminTables.h"

namespace accessdb::sqlite {

// Whole-table access and the bulk jobs on the file, through an engine opened as the programs
// open it (so the file is at kSchemaVersion).
class SqliteSiteTables : public AdminTables {
  public:
    explicit SqliteSiteTables(std::unique_ptr<SqliteEngine> engine) : m_engine(std::move(engine)) {}

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

  private:
    sqlite3* Handle() const { return m_engine->Handle(); }
    // Old access rows found outside the write lock, to be deleted in a short change.
    std::vector<std::int64_t> OldAccessRows(const std::string& before, std::size_t limit);

    std::unique_ptr<SqliteEngine> m_engine;
    // How far a purge has looked through Picadas for days before m_purgeBefore: the rows up
    // to here are either deleted or younger, so the next chunk reads on from here.
    std::string m_purgeBefore;
    std::int64_t m_purgeScanned = std::numeric_limits<std::int64_t>::min();
    bool m_accessesPurged = false;
};

}  // namespace accessdb::sqlite
