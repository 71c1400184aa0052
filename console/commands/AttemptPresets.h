#pragma once

#include <string>

namespace mireval {

// The days a preset of the attempts window fills in, as the day fields take them (DD/MM/AAAA).
struct DayRange {
    std::string desde;
    std::string hasta;
};

// The `days` days that end today, today included: 1 for "Hoy", 7 for "Últimos 7 días". Today
// is given (the window reads the clock), as year, month and day.
DayRange LastDays(int days, int year, unsigned month, unsigned day);

}  // namespace mireval
