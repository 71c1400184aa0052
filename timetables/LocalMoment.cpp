#include "LocalMoment.h"

#include <cstdio>

namespace timetables {

LocalMoment LocalMomentOf(std::time_t when) {
    std::tm local{};
    // localtime_r reads the zone (TZ) itself; wall-clock fields are what a segment means, so a
    // segment keeps its hours on the days the clocks change.
    localtime_r(&when, &local);
    char day[40];  // room for any year the fields can hold
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday);
    return {day, local.tm_wday == 0 ? 7 : local.tm_wday, local.tm_hour * 60 + local.tm_min};
}

}  // namespace timetables
