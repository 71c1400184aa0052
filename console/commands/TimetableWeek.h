#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "accessdb/TimetableRecords.h"

namespace mireval {

// A timetable's week as the window's grid shows it: one line of text a day, Monday first, each
// line its segments as "08:00-14:00, 16:00-18:00".
using WeekTexts = std::array<std::string, accessdb::kDaysPerWeek>;

// "Lunes" .. "Domingo", as the grid names its rows.
extern const std::array<const char*, accessdb::kDaysPerWeek> kWeekdayNames;

// One day's line read back: its segments by their start, or why it cannot be stored (a
// Spanish sentence naming the day and what to write instead).
struct ParsedDay {
    std::vector<accessdb::TimetableSegment> tramos;
    std::string error;
    bool Ok() const { return error.empty(); }
};

// Segments separated by commas, semicolons or spaces; each "H:MM-HH:MM" from 00:00 to 24:00,
// ending after it begins, at most four a day and none overlapping. An empty line is a day
// without access.
ParsedDay ParseDay(std::string_view text, int day);
std::string FormatDay(const std::vector<accessdb::TimetableSegment>& tramos);
WeekTexts FormatWeek(const accessdb::Timetable& timetable);

}  // namespace mireval
