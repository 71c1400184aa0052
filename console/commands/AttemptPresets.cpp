#include "AttemptPresets.h"

#include <chrono>
#include <cstdio>

namespace mireval {

namespace {

std::string Typed(std::chrono::year_month_day day) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(day.day()),
                  static_cast<unsigned>(day.month()), static_cast<int>(day.year()));
    return text;
}

}  // namespace

DayRange LastDays(int days, int year, unsigned month, unsigned day) {
    using namespace std::chrono;
    const year_month_day today{std::chrono::year(year), std::chrono::month(month),
                               std::chrono::day(day)};
    const year_month_day first{sys_days(today) - std::chrono::days(days > 1 ? days - 1 : 0)};
    return {Typed(first), Typed(today)};
}

}  // namespace mireval
