#pragma once

#include <string>
#include <vector>

namespace mireval {

// The first two-digit year the lists offer ("08").
inline constexpr int kFirstListedYear = 2008;
// How far past the current year the lists reach, so a restriction can be set well ahead.
inline constexpr int kYearsAhead = 10;

// The entries of the six date lists, in the order they are added (the lists sort them).
// " " is the blank choice of every list; the start-year list also has an empty entry.
struct DateListEntries {
    std::vector<std::string> days;        // "01".."31" and " "
    std::vector<std::string> months;      // "01".."12" and " "
    std::vector<std::string> startYears;  // "", "08".. and " "
    std::vector<std::string> endYears;    // "08".. and " "
};

// Years run from 2008 to currentYear + kYearsAhead (at most 2099, as the years are stored
// with two digits).
DateListEntries MakeDateListEntries(int currentYear);

}  // namespace mireval
