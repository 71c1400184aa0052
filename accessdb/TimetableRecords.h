#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

// Timetables and the school calendar as the tables hold them, free of any engine: what the
// card's decision and the administrator's tools exchange with the database layer.
namespace accessdb {

inline constexpr int kDaysPerWeek = 7;
inline constexpr int kMinutesPerDay = 24 * 60;
inline constexpr std::size_t kMaxSegmentsPerDay = 4;

// A stretch of one day, in minutes from midnight: from `desde` up to, not including, `hasta`
// (0 <= desde < hasta <= 1440, so 1440 is the day's end).
struct TimetableSegment {
    int desde = 0;
    int hasta = 0;
    friend bool operator==(const TimetableSegment&, const TimetableSegment&) = default;
};

// A named timetable: for each day of the week (index 0 Monday .. 6 Sunday) up to four
// segments. One that holds on days without school is for staff, caretakers, evening courses.
struct Timetable {
    std::string nombre;
    bool diasSinClase = false;  // valid on days without school
    std::array<std::vector<TimetableSegment>, kDaysPerWeek> dias;
    friend bool operator==(const Timetable&, const Timetable&) = default;
};

// Days without school, both ends included, as ISO days ("2026-12-23").
struct CalendarRange {
    std::string desde;
    std::string hasta;
    std::string descripcion;  // "Navidad", "Fiesta local"
    friend bool operator==(const CalendarRange&, const CalendarRange&) = default;
};

// One timetable as it stands on one weekday: all a card's decision needs of it.
struct TimetableDay {
    std::string nombre;
    bool diasSinClase = false;
    std::vector<TimetableSegment> tramos;  // by their start
};

// What applies to one card: the student's timetable, the door's, and whether the day is
// without school (its description). None of them: no time rule beyond the student's flags.
struct CardTimetables {
    std::optional<TimetableDay> alumno;
    std::optional<TimetableDay> puerta;
    std::optional<std::string> diaSinClase;
};

// Who keeps to a timetable: the doors and the students (how many, and the first by DNI).
struct TimetableUse {
    std::string nombre;
    std::vector<char> puertas;  // '1' to '8'
    std::int64_t alumnos = 0;
    std::vector<std::string> primerosDni;  // eight digits each, at most a few
};

}  // namespace accessdb
