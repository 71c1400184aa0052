#pragma once

#include <ctime>
#include <string>

namespace timetables {

// A card's moment as the school's wall clock shows it (the local time zone, TZ honoured):
// what a timetable segment and a calendar day are written in.
struct LocalMoment {
    std::string isoDay;  // "2026-03-29"
    int weekday = 1;     // 1 Monday .. 7 Sunday
    int minute = 0;      // minutes since the local midnight, 0 .. 1439
};

LocalMoment LocalMomentOf(std::time_t when);

}  // namespace timetables
