#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "accessdb/AttemptListing.h"

namespace mireval {

// The attempts the filters match, per day and outcome, as the window's chart stacks them: one
// series per outcome over the days that have attempts, oldest first, and each outcome's total.
struct AttemptChart {
    std::vector<std::string> days;      // ISO days with attempts, oldest first
    std::vector<std::string> outcomes;  // the four the stations store, then any other text
    // counts[o][d]: attempts with outcomes[o] on days[d].
    std::vector<std::vector<std::int64_t>> counts;
    std::vector<std::int64_t> totals;  // per outcome, undated attempts included
    std::int64_t undated = 0;          // attempts whose Fecha is no day (on no bar)
};

AttemptChart ChartOf(const std::vector<accessdb::AttemptDayCount>& counts);

// "05/03" for "2024-03-05": a bar's label.
std::string ShortDay(const std::string& isoDay);

}  // namespace mireval
