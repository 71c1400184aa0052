#include "DateLists.h"

#include <algorithm>
#include <cstdio>

namespace mireval {

namespace {

constexpr int kLastTwoDigitYear = 2099;

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

std::vector<std::string> Numbers(int first, int last) {
    std::vector<std::string> entries;
    for (int value = first; value <= last; ++value) {
        entries.push_back(TwoDigits(value));
    }
    return entries;
}

}  // namespace

DateListEntries MakeDateListEntries(int currentYear) {
    const int lastYear = std::clamp(currentYear + kYearsAhead, kFirstListedYear, kLastTwoDigitYear);
    DateListEntries lists;
    lists.days = Numbers(1, 31);
    lists.days.emplace_back(" ");
    lists.months = Numbers(1, 12);
    lists.months.emplace_back(" ");
    lists.endYears = Numbers(kFirstListedYear, lastYear);
    lists.endYears.emplace_back(" ");
    lists.startYears.emplace_back("");
    lists.startYears.insert(lists.startYears.end(), lists.endYears.begin(), lists.endYears.end());
    return lists;
}

}  // namespace mireval
