#pragma once

#include <array>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accessdb/Records.h"
#include "accessdb/TimetableRecords.h"

namespace tarvo {

// The door station's copy of what its decision needs, for when its server cannot be reached:
// every student's row and the timetables and school calendar as the server last had them, the
// count of the server's changes it was read at, and the site's limit of hours it may be decided
// on.
struct StudentCopy {
    std::vector<accessdb::StudentRecord> students;  // by DNI
    std::vector<accessdb::Timetable> timetables;
    std::map<std::string, std::string> studentTimetables;  // DNI to its timetable's name
    std::array<std::string, 8> doorTimetables;             // doors '1' to '8'; empty: none
    std::vector<accessdb::CalendarRange> calendar;
    std::int64_t changes = 0;
    int limitHours = 0;
    // When the server last confirmed it current: read then, or its count of changes unchanged.
    std::time_t currentAt = 0;

    // The student with this DNI, none when the copy has no such row.
    std::optional<accessdb::StudentRecord> Find(std::string_view dni) const;
    // What applies to a card, as the server's one statement reads it (Timetables.h).
    accessdb::CardTimetables TimetablesFor(std::string_view dni, char door, std::string_view isoDay,
                                           int weekday) const;
    // Whether a card may be decided on it at `now`: younger than the limit (a limit of 0
    // never). A clock set back before currentAt counts as no age at all.
    bool UsableAt(std::time_t now) const;
};

// The copy's two files in the station's folder: "copia", the students, replaced whole when
// they change, and "copia-vigente", when the server last confirmed them, replaced at each
// confirmation; both readable by the station's user only. Failures throw std::system_error.
void SaveCopy(const std::filesystem::path& folder, const StudentCopy& copy);
void SaveConfirmation(const std::filesystem::path& folder, const StudentCopy& copy);
// The copy as saved; none when there is none, or what is there is not a whole copy.
std::optional<StudentCopy> LoadCopy(const std::filesystem::path& folder);

// "YYYY-MM-DD HH:MM:SS" and "DD/MM/YYYY HH:MM" in local time, as the station shows and
// reports its times.
std::string ReportedTime(std::time_t when);
std::string ShownTime(std::time_t when);

}  // namespace tarvo
