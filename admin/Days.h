#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace admin {

using Day = std::chrono::year_month_day;

// A day given on the command line: "DD/MM/YYYY" (as the programs show dates, also "D/M/YYYY"
// and the stored " D/MM/YYYY") or "YYYY-MM-DD"; none when it is neither or no such day exists.
std::optional<Day> ReadCommandLineDay(std::string_view text);

// An access date as stored (" 1/12/2026", the day space-padded) written "01/12/2026", which a
// spreadsheet reads as a date and not as text; anything that is no such date, as stored.
std::string SheetDate(std::string_view stored);

// "2026-03-01": how the bulk jobs' interface takes days.
std::string IsoDay(Day day);
// "01/03/2026", for the user's texts.
std::string ShownDay(Day day);

Day DaysBefore(Day day, int days);

// An age such as "90d" (days) or "13w" (weeks), in days; none when it is not one.
std::optional<int> ReadAge(std::string_view text);

// Reads a run of one to `maxDigits` ASCII digits; none for anything else.
std::optional<int> ReadNumber(std::string_view text, std::size_t maxDigits);

}  // namespace admin
