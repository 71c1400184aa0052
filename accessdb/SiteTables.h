#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "AttemptListing.h"
#include "Records.h"
#include "StorageLocation.h"

namespace accessdb {

enum class OpenMode;

// One access row with its place in the order written (rowid on the file, the identity column
// on a server); positions differ between databases, the order does not.
struct PositionedAccess {
    std::int64_t position = 0;
    AccessRecord access;
};

// Whole tables at once, for moving a site between the file and a server. Pages are read in a
// fixed order (students by DNI, accesses in the order written) so that two databases can be
// compared row for row without holding either in memory.
class SiteTables {
  public:
    virtual ~SiteTables() = default;

    // A read transaction: every page read until EndRead sees the same state of both tables,
    // while door stations keep appending.
    virtual void BeginRead() = 0;
    virtual void EndRead() noexcept = 0;
    // One all-or-nothing change, as the storage interface's write transaction.
    virtual void BeginWrite() = 0;
    virtual void CommitWrite() = 0;
    virtual void RollbackWrite() noexcept = 0;

    virtual std::int64_t CountStudents() = 0;
    virtual std::int64_t CountAccesses() = 0;
    virtual std::int64_t CountAttempts() = 0;
    // Up to `limit` students with a DNI above `after` (from the first when none), by DNI; all
    // ten columns, DNI as its eight digits. A DNI the table holds as something other than a
    // number fails with kNotANumberDni.
    virtual std::vector<StudentRecord> StudentsAfter(std::optional<std::int64_t> after,
                                                     std::size_t limit) = 0;
    // Up to `limit` accesses written after the one at `after`, in the order written.
    virtual std::vector<PositionedAccess> AccessesAfter(std::optional<std::int64_t> after,
                                                        std::size_t limit) = 0;
    // All ten columns of each student, as they stand.
    virtual void InsertStudents(const std::vector<StudentRecord>& students) = 0;
    // Appended in this order after the accesses already there.
    virtual void InsertAccesses(const std::vector<AccessRecord>& accesses) = 0;
    // Up to `limit` attempts written after the one at `after`, in the order written.
    virtual std::vector<PositionedAttempt> AttemptsAfter(std::optional<std::int64_t> after,
                                                         std::size_t limit) = 0;
    // Appended in this order after the attempts already there, every column as given.
    virtual void InsertAttempts(const std::vector<AttemptRecord>& attempts) = 0;
};

// The tables at the location, by the engine that holds them.
std::unique_ptr<SiteTables> OpenSiteTables(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb
