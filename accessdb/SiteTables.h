#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "AttemptListing.h"
#include "EngineSession.h"
#include "Records.h"
#include "StorageLocation.h"
#include "TableColumns.h"
#include "Transaction.h"

namespace accessdb {

// Whole tables at once, for moving a site between the file and a server. Pages are read in a
// fixed order (students by DNI, accesses in the order written) so that two databases can be
// compared row for row without holding either in memory.
class SiteTables {
  public:
    virtual ~SiteTables() = default;

    // For the one Transaction type: a Read makes every page read see the same state of the
    // tables while door stations keep appending; a Write is one all-or-nothing change.
    virtual TransactionControl& Transactions() = 0;

    virtual std::int64_t CountStudents() = 0;
    virtual std::int64_t CountAccesses() = 0;
    virtual std::int64_t CountAttempts() = 0;
    // Up to `limit` students with a DNI above `after` (from the first when none), by DNI; all
    // ten columns, DNI as its eight digits. A DNI the table holds as something other than a
    // number fails with kNotANumberDni.
    virtual std::vector<StoredStudent> StudentsAfter(std::optional<std::int64_t> after,
                                                     std::size_t limit) = 0;
    // Up to `limit` accesses written after the one at `after`, in the order written.
    virtual std::vector<PositionedAccess> AccessesAfter(std::optional<std::int64_t> after,
                                                        std::size_t limit) = 0;
    // All ten columns of each student as they stand, NULL where the row read held NULL.
    virtual void InsertStudents(const std::vector<StoredStudent>& students) = 0;
    // Appended in this order after the accesses already there, NULL where the row read held
    // NULL; the positions read are not kept.
    virtual void InsertAccesses(const std::vector<PositionedAccess>& accesses) = 0;
    // Up to `limit` attempts written after the one at `after`, in the order written.
    virtual std::vector<PositionedAttempt> AttemptsAfter(std::optional<std::int64_t> after,
                                                         std::size_t limit) = 0;
    // Appended in this order after the attempts already there, every column as given (NULL
    // where the row read held NULL); the positions read are not kept.
    virtual void InsertAttempts(const std::vector<PositionedAttempt>& attempts) = 0;
};

// The tables at the location, by the engine that holds them.
std::unique_ptr<SiteTables> OpenSiteTables(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb
