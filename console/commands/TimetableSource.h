#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "DatabaseLocation.h"
#include "accessdb/TimetableRecords.h"

namespace mireval {

inline constexpr int kDoorCount = 8;
// Each door's timetable, door 1 first; none where the door keeps to no timetable.
using DoorTimetables = std::array<std::optional<std::string>, kDoorCount>;

// Where the timetables window reads and writes the timetables, the school calendar and who
// keeps to what: the site's database, or whatever tests put there. Every call throws
// accessdb::DatabaseError when it cannot, with the store's own text (a refusal says why).
class TimetableSource {
  public:
    virtual ~TimetableSource() = default;
    virtual std::vector<accessdb::Timetable> ListTimetables() = 0;
    virtual void SaveTimetable(const accessdb::Timetable& timetable) = 0;
    virtual void RenameTimetable(const std::string& from, const std::string& to) = 0;
    // False when it was already gone; refused while a door or a student keeps to it.
    virtual bool DeleteTimetable(const std::string& name) = 0;

    virtual std::vector<accessdb::CalendarRange> Calendar() = 0;
    virtual void AddCalendarRange(const accessdb::CalendarRange& range) = 0;
    virtual bool RemoveCalendarRange(const std::string& desde, const std::string& hasta) = 0;

    virtual DoorTimetables Doors() = 0;
    // `door` 1 to 8; no name takes the door's timetable away.
    virtual void SetDoor(int door, const std::optional<std::string>& name) = 0;
    virtual std::optional<std::string> StudentTimetable(const std::string& dni) = 0;
    virtual void SetStudent(const std::string& dni, const std::optional<std::string>& name) = 0;
};

// The console's database, on a connection of its own for each call, as every command of the
// console opens and closes one.
class DatabaseTimetables : public TimetableSource {
  public:
    explicit DatabaseTimetables(DatabaseLocation database) : m_database(std::move(database)) {}
    std::vector<accessdb::Timetable> ListTimetables() override;
    void SaveTimetable(const accessdb::Timetable& timetable) override;
    void RenameTimetable(const std::string& from, const std::string& to) override;
    bool DeleteTimetable(const std::string& name) override;
    std::vector<accessdb::CalendarRange> Calendar() override;
    void AddCalendarRange(const accessdb::CalendarRange& range) override;
    bool RemoveCalendarRange(const std::string& desde, const std::string& hasta) override;
    DoorTimetables Doors() override;
    void SetDoor(int door, const std::optional<std::string>& name) override;
    std::optional<std::string> StudentTimetable(const std::string& dni) override;
    void SetStudent(const std::string& dni, const std::optional<std::string>& name) override;

  private:
    DatabaseLocation m_database;
};

}  // namespace mireval
