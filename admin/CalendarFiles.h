#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "StudentSheet.h"
#include "accessdb/TimetableRecords.h"

// The school calendar's days without school as files: an iCalendar file (a region's or a
// school's calendar, read and written with libical) or a sheet of dates.
namespace admin {

struct CalendarFile {
    std::vector<accessdb::CalendarRange> ranges;  // in the file's order
    std::vector<RowFault> faults;    // what cannot be read: nothing is imported while any is
    std::vector<std::string> notes;  // what was left out and why (a timed event, a repetition)
};

// Whether the text (decoded) is an iCalendar file rather than a sheet.
bool LooksLikeICalendar(std::string_view text);

// All-day events (DTSTART;VALUE=DATE, with DTEND exclusive or DURATION, one day without
// either) become days without school, described by their SUMMARY; timed events are left out
// with a note naming them. Repeating all-day events (RRULE, less EXDATE) are expanded up to
// `horizon` (an ISO day) and no further, with a note when the rule goes on beyond it.
CalendarFile ReadICalendar(std::string_view text, const std::string& horizon);

// "Desde;Hasta;Descripcion" (Hasta and Descripcion may be left out or empty: one day); days
// as DD/MM/AAAA or AAAA-MM-DD.
CalendarFile ReadCalendarSheet(std::string_view text);

// A valid iCalendar file of all-day events, one per range, that ReadICalendar reads back to the
// same ranges; `stamp` is when it was written.
std::string WriteICalendar(const std::vector<accessdb::CalendarRange>& ranges, std::time_t stamp);
// The sheet that ReadCalendarSheet reads back, days as DD/MM/AAAA.
std::string WriteCalendarSheet(const std::vector<accessdb::CalendarRange>& ranges);

}  // namespace admin
