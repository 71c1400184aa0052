#pragma once

#include <string>
#include <vector>

namespace admin {

// One line of a sheet, ended by "\n", that ReadCsv reads back to exactly these fields: a field
// is quoted when it holds the separator, a quote or a line break, or begins or ends with a
// blank (which some spreadsheets would trim: the access dates begin with one).
std::string CsvLine(const std::vector<std::string>& fields, char separator = ';');

}  // namespace admin
