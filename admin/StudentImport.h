#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "ChunkPacing.h"
#include "Progress.h"
#include "StudentSheet.h"
#include "accessdb/AdminTables.h"

namespace admin {

// What an import will write once every row has been checked against the file and the database.
struct ImportPlan {
    std::vector<accessdb::StudentRecord> students;  // in the file's order
    std::vector<RowFault> faults;                   // the sheet's, and the DNIs already registered
    std::size_t added = 0;
    std::size_t updated = 0;
};

// Which of the sheet's DNIs the database already holds, read in one snapshot.
std::set<std::int64_t> RegisteredAmong(accessdb::SiteTables& tables, const StudentSheet& sheet);

// A student already registered is refused unless `update` is set, then replaced.
ImportPlan PlanImport(const StudentSheet& sheet, const std::set<std::int64_t>& registered,
                      bool update);

// Writes the students in chunks of `pacing.rows`, each one change of its own. A failure names
// how many students were kept before it (the chunks already written stay).
void WriteStudents(accessdb::AdminTables& tables,
                   const std::vector<accessdb::StudentRecord>& students, bool update,
                   const ChunkPacing& pacing, Progress& progress);

}  // namespace admin
