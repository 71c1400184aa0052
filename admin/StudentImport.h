#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "ChunkPacing.h"
#include "Progress.h"
#include "StudentSheet.h"
#include "accessdb/AdminTables.h"

namespace admin {

// What an import will write once every row has been checked against the file and the database.
struct ImportPlan {
    std::vector<accessdb::StudentRecord> students;  // in the file's order
    std::vector<RowFault> faults;                   // the sheet's
    std::vector<SheetRow> registered;  // refused for being registered already, told together
    std::size_t added = 0;
    std::size_t updated = 0;
};

// Which of the sheet's DNIs the database already holds, read in one snapshot.
std::set<std::int64_t> RegisteredAmong(accessdb::SiteTables& tables, const StudentSheet& sheet);

// A student already registered is refused unless `update` is set, then replaced.
ImportPlan PlanImport(const StudentSheet& sheet, const std::set<std::int64_t>& registered,
                      bool update);

// "líneas 2 a 501, 640": the lines, in order, by their first few stretches of consecutive
// lines.
std::string LineStretches(const std::vector<std::size_t>& lines);

// The students of the sheet already registered, told once for all of them with the way to finish
// an import that stopped midway (whose first chunks these usually are); `skipBad` when they are
// being left out.
std::string AlreadyRegisteredText(const std::vector<SheetRow>& registered, bool skipBad);

// Writes the students in chunks of `pacing.rows`, each one change of its own. A failure names
// how many students were kept before it (the chunks already written stay).
void WriteStudents(accessdb::AdminTables& tables,
                   const std::vector<accessdb::StudentRecord>& students, bool update,
                   const ChunkPacing& pacing, Progress& progress);

}  // namespace admin
