#pragma once

#include <limits>
#include <memory>

#include "AdminTables.h"
#include "EngineSession.h"

namespace accessdb {

// Whole-table access and a school's bulk jobs, written once over either engine's session
// (opened as the programs open it, so the tables are at kSchemaVersion).
class SqlSiteTables : public AdminTables {
  public:
    explicit SqlSiteTables(std::unique_ptr<EngineSession> session)
        : m_session(std::move(session)) {}

    TransactionControl& Transactions() override { return *m_session; }
    std::int64_t CountStudents() override;
    std::int64_t CountAccesses() override;
    std::int64_t CountAttempts() override;
    std::vector<StoredStudent> StudentsAfter(std::optional<std::int64_t> after,
                                             std::size_t limit) override;
    std::vector<PositionedAccess> AccessesAfter(std::optional<std::int64_t> after,
                                                std::size_t limit) override;
    std::vector<PositionedAttempt> AttemptsAfter(std::optional<std::int64_t> after,
                                                 std::size_t limit) override;
    void InsertStudents(const std::vector<StoredStudent>& students) override;
    void InsertAccesses(const std::vector<PositionedAccess>& accesses) override;
    void InsertAttempts(const std::vector<PositionedAttempt>& attempts) override;

    int SchemaVersion() override { return m_session->SchemaVersion(); }
    std::vector<std::string> CheckIntegrity() override;
    void ForEachAccess(const std::string& from, const std::string& to,
                       const std::function<void(const AccessRecord&)>& row) override;
    void ForEachAttempt(const std::string& from, const std::string& to,
                        const std::function<void(const AttemptRecord&)>& row) override;
    void ImportStudents(const std::vector<StudentRecord>& students, bool update) override;
    std::int64_t PurgeChunk(const std::string& before, std::size_t chunk) override;
    std::optional<PersonRecord> Person(std::int64_t dni) override;
    bool Erase(std::int64_t dni) override;
    void Backup(const std::filesystem::path& file) override { m_session->Backup(file); }

  private:
    SqlSession& Session() { return *m_session; }
    std::string AccessDay() const { return m_session->DayOf("Fecha"); }
    // Up to `limit` old access rows after the purge's place, found outside any write lock.
    std::vector<std::int64_t> OldAccessRows(const std::string& before, std::size_t limit);

    std::unique_ptr<EngineSession> m_session;
    // How far a purge has looked through Picadas for days before m_purgeBefore: the rows up
    // to here are either deleted or younger, so the next chunk reads on from here.
    std::string m_purgeBefore;
    std::int64_t m_purgeScanned = std::numeric_limits<std::int64_t>::min();
    bool m_accessesPurged = false;
};

}  // namespace accessdb
