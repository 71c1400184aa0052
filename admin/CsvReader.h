#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace admin {

// One line of a sheet (or more, when a quoted field holds a line break): its fields, and the
// line of the file where it starts, for the user's error texts.
struct CsvRecord {
    std::size_t line = 0;
    std::vector<std::string> fields;
};

struct CsvFault {
    std::size_t line = 0;
    std::string text;
};

struct CsvTable {
    char separator = ';';
    std::vector<CsvRecord> records;  // empty lines left out
    std::vector<CsvFault> faults;    // records that could not be read, left out of `records`
};

// ";" or ",", whichever the first line uses more outside quotes (";" on a tie): spreadsheets
// with a decimal comma save ";", the others ",".
char DetectSeparator(std::string_view text);

// Reads decoded text as a spreadsheet saves it: fields in double quotes may hold the separator,
// line breaks and doubled quotes; lines end in CR LF, LF or CR. Fields are kept exactly as
// written (no blanks trimmed).
CsvTable ReadCsv(std::string_view text);

}  // namespace admin
