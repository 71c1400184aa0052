#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AttemptListing.h"
#include "Records.h"

namespace accessdb {

// A student's columns as the table holds them: name and value as text, DNI as its eight digits.
using StudentColumns = std::vector<std::pair<std::string, std::string>>;

// What a database engine provides to a Connection. The Connection has already checked every
// DNI (eight ASCII digits) and passes it as a number; it turns "no row" answers into 3021.
// An engine therefore never throws 3021 itself: every failure it raises is a DatabaseError with
// another code and a Spanish description that says what the user can do.
//
// Promises every engine keeps:
// - each single write below is atomic on its own, and durable once it returns;
// - between BeginWrite and CommitWrite the writes are one all-or-nothing change, and no other
//   connection's write transaction runs meanwhile, so a check and a write inside one are atomic
//   against other consoles (BeginWrite waits for the other writer, for a bounded time);
// - accesses are listed in the order they were appended;
// - the tables are at kSchemaVersion once the engine is open (SchemaVersion.h);
// - a call that cannot reach the data within a few seconds fails instead of hanging.
class StorageEngine {
  public:
    virtual ~StorageEngine() = default;

    // The row of Alumnos with this DNI, or none.
    virtual std::optional<StudentColumns> FindStudentRow(std::int64_t dni) = 0;
    // DNI and the three names; the other columns take the table's defaults ("" or "0").
    virtual void InsertStudent(std::int64_t dni, const StudentRecord& student) = 0;
    // The nine columns after DNI; false when no row has this DNI.
    virtual bool UpdateStudent(std::int64_t dni, const StudentRecord& student) = 0;
    // False when no row has this DNI.
    virtual bool DeleteStudent(std::int64_t dni) = 0;

    // Fecha, Hora and Puerta of the student's accesses (dni left empty), in the order written.
    virtual std::vector<AccessRecord> ListAccesses(std::int64_t dni) = 0;
    // How many rows went.
    virtual std::size_t DeleteAccesses(std::int64_t dni) = 0;
    virtual void AppendAccess(std::int64_t dni, const AccessRecord& access) = 0;

    // One row of Intentos; its day is the engine's reading of the Fecha text. The DNI is
    // stored as the text given, whatever it holds.
    virtual void AppendAttempt(const AttemptRecord& attempt) = 0;
    // One page of the attempts listing; the Connection has checked the query.
    virtual AttemptPage ListAttempts(const AttemptQuery& query) = 0;
    // The attempts the query's filters match, counted by day and outcome.
    virtual std::vector<AttemptDayCount> CountAttempts(const AttemptQuery& query) = 0;

    virtual void BeginWrite() = 0;
    virtual void CommitWrite() = 0;
    virtual void RollbackWrite() noexcept = 0;
};

}  // namespace accessdb
