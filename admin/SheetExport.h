#pragma once

#include <map>
#include <ostream>
#include <string>

#include "accessdb/AdminTables.h"

namespace admin {

// The tables as sheets on a stream (";", UTF-8, the values exactly as stored but the accesses'
// and attempts' dates, zero-padded as a spreadsheet reads a date), a header line first. Each
// returns how many rows it wrote.

// Every student by DNI, in one snapshot, with the timetable `horarios` gives them (by DNI):
// what `import` reads back unchanged.
std::size_t ExportStudents(accessdb::SiteTables& tables,
                           const std::map<std::string, std::string>& horarios, std::ostream& out);
// The accesses (or attempts) of the days in [from, to], ISO days, either may be empty; in the
// order written.
std::size_t ExportAccesses(accessdb::AdminTables& tables, const std::string& from,
                           const std::string& to, std::ostream& out);
std::size_t ExportAttempts(accessdb::AdminTables& tables, const std::string& from,
                           const std::string& to, std::ostream& out);

// The attempts sheet's header and one attempt's line, as ExportAttempts writes them: what the
// console's attempts window writes too, so that both files read the same.
std::string AttemptSheetHeader();
std::string AttemptSheetLine(const accessdb::AttemptRecord& attempt);

}  // namespace admin
