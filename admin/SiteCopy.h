#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "accessdb/SiteTables.h"

namespace admin {

struct CopyCount {
    std::int64_t students = 0;
    std::int64_t accesses = 0;
    std::int64_t attempts = 0;
};

// Copies every student, every access and every attempt, in the order written, from one database
// into an empty one, then reads both back and compares them row for row before the copy is
// committed: the target ends as an exact copy or unchanged. The source is read in one snapshot, so
// door stations may keep writing to it meanwhile (their later rows are not copied). Throws
// accessdb::DatabaseError: kTargetNotEmpty when the target holds any row, kCopyMismatch when the
// read-back differs, the engines' own failures otherwise.
CopyCount CopySite(accessdb::SiteTables& source, accessdb::SiteTables& target,
                   const std::function<void(const std::string&)>& progress = {});

}  // namespace admin
