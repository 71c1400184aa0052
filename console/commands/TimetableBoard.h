#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TimetableSource.h"
#include "TimetableWeek.h"
#include "UserMessages.h"

namespace mireval {

// The timetables window's logic: the timetables, the days without school, each door's
// timetable and that of the student the form shows, as last read; and every change to them.
// After every change, whether it worked or not, everything is read again, so the window shows
// what is stored; one that did not work says why in a box (the store's own words for a refusal).
class TimetableBoard {
  public:
    TimetableBoard(TimetableSource& source, UserMessages& messages);

    // Reads everything again; false, after a box, when it could not.
    bool Refresh();
    // The student the form shows now (none: no student there), and his timetable.
    bool ShowStudent(std::optional<std::string> dni);

    const std::vector<accessdb::Timetable>& Timetables() const { return m_timetables; }
    const accessdb::Timetable* Find(std::string_view name) const;
    const std::vector<accessdb::CalendarRange>& Calendar() const { return m_calendar; }
    const DoorTimetables& Doors() const { return m_doors; }
    const std::optional<std::string>& Student() const { return m_student; }
    const std::optional<std::string>& StudentTimetable() const { return m_studentTimetable; }

    // Stores the week under `name` (spaces around it dropped). `selected` is the timetable the
    // grid was showing: saving under another name that is taken asks first, as it replaces it.
    bool Save(std::string_view name, const WeekTexts& week, bool diasSinClase,
              std::string_view selected);
    bool Rename(const std::string& from, std::string_view to);
    // Asks first; a timetable in use is refused, saying by whom.
    bool Delete(const std::string& name);

    // ISO days, both ends included.
    bool AddRange(const std::string& desde, const std::string& hasta, std::string_view descripcion);
    bool RemoveRange(const accessdb::CalendarRange& range);

    // `door` 1 to 8; an empty name takes its timetable away. Likewise for the shown student.
    bool SetDoor(int door, const std::string& name);
    bool SetStudentTimetable(const std::string& name);

  private:
    bool Read(bool tellFailure);
    template <class Action>
    bool Change(Action&& action);

    TimetableSource& m_source;
    UserMessages& m_messages;
    std::vector<accessdb::Timetable> m_timetables;
    std::vector<accessdb::CalendarRange> m_calendar;
    DoorTimetables m_doors;
    std::optional<std::string> m_student;
    std::optional<std::string> m_studentTimetable;
};

// "23/12/2026 – 07/01/2027: Navidad", or one day alone when the range is one day.
std::string RangeText(const accessdb::CalendarRange& range);

}  // namespace mireval
