#pragma once

#include <cstddef>

#include "accessdb/Timetables.h"

namespace admin {

// What a site's timetables and calendar amount to.
struct TimetableCount {
    std::size_t timetables = 0;
    std::size_t students = 0;  // students with a timetable
    std::size_t doors = 0;     // doors with a timetable
    std::size_t calendar = 0;  // stretches of days without school
};

// Copies the timetables, who keeps to them and the school calendar from one site into another
// whose timetables and calendar are empty, in one change, then reads both back and compares
// them before it is kept. Throws accessdb::DatabaseError: kTargetNotEmpty when the target has
// timetables or days without school, kCopyMismatch when the read-back differs.
TimetableCount CopyTimetables(accessdb::TimetableTables& source, accessdb::TimetableTables& target);

}  // namespace admin
