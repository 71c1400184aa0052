#pragma once

#include <filesystem>
#include <memory>

#include "SqliteHandles.h"
#include "accessdb/StorageEngine.h"

namespace accessdb {
enum class OpenMode;
}

namespace accessdb::sqlite {

// The embedded file: one SQLite database in WAL mode, shared by the programs of one PC.
class SqliteEngine : public StorageEngine {
  public:
    explicit SqliteEngine(DatabaseHandle db) : m_db(std::move(db)) {}

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

    sqlite3* Handle() const { return m_db.get(); }

  private:
    DatabaseHandle m_db;
};

// A row of Intentos read with kAttemptColumns.
PositionedAttempt ReadAttempt(const Statement& row);

// Opens the file (found whatever the letter case of its name) and prepares it for the
// programs; the console creates a missing file with both tables, the controller never does.
std::unique_ptr<SqliteEngine> OpenEngine(const std::filesystem::path& file, OpenMode mode);

// Binds a student's fields after the DNI, Nombre to FechaB in the table's column order, to the
// nine parameters from `first` on.
Statement& BindStudentFields(Statement& statement, int first, const StudentRecord& student);

}  // namespace accessdb::sqlite
