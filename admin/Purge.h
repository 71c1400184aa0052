#pragma once

#include <cstdint>
#include <string>

#include "ChunkPacing.h"
#include "Days.h"
#include "accessdb/AdminTables.h"

namespace admin {

// Deletes the accesses and attempts of the days before `before` (an ISO day), one short change
// per chunk, never a student. Returns how many rows went; a failure keeps the chunks already
// deleted and names how many they were.
std::int64_t PurgeBefore(accessdb::AdminTables& tables, const std::string& before,
                         const ChunkPacing& pacing);

struct PurgeCount {
    std::int64_t accesses = 0;
    std::int64_t attempts = 0;
};
// How many rows PurgeBefore would delete now, read without writing: what a person is asked
// to confirm.
PurgeCount CountBefore(accessdb::AdminTables& tables, Day before);

}  // namespace admin
