#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "EngineSession.h"
#include "Records.h"
#include "SqlSession.h"
#include "StorageLocation.h"
#include "TimetableRecords.h"

namespace accessdb {

// The timetables' own failures (DatabaseError codes beside those of DatabaseError.h).
inline constexpr int kTimetableInvalid = 3510;   // a name, a segment or a day not acceptable
inline constexpr int kTimetableNotFound = 3511;  // no timetable of that name
inline constexpr int kTimetableInUse = 3512;     // a timetable a door or a student keeps to
inline constexpr int kDoorInvalid = 3513;        // a door that is not '1' to '8'

// Timetables, who keeps to them and the school calendar, on a session of either engine that
// the caller owns (a Connection's for a card, a console command or a tarvo-admin run). Writes
// are each one all-or-nothing change, joining a transaction the caller has open. A door
// station's login may only read these tables.
class TimetableStore {
  public:
    explicit TimetableStore(SqlSession& session) : m_session(session) {}

    // Every timetable, by the bytes of its name, with all its segments.
    std::vector<Timetable> List();
    std::optional<Timetable> Find(std::string_view nombre);
    // Adds the timetable or replaces the one of that name (its flag and all its segments).
    // kTimetableInvalid for an empty name, a segment out of the day or empty, more than four
    // segments on a day.
    void Save(const Timetable& timetable);
    // Renames it everywhere it is used. kTimetableNotFound, or kTimetableInvalid when the new
    // name is taken or not acceptable.
    void Rename(std::string_view nombre, std::string_view nuevo);
    // Refused with kTimetableInUse while a door or a registered student keeps to it, saying
    // who; false when there was no such timetable.
    bool Delete(std::string_view nombre);
    // Who keeps to each timetable, in the order of List() (unused ones too).
    std::vector<TimetableUse> Uses();

    // A student's or a door's timetable (kTimetableNotFound when there is no such timetable);
    // unassigning answers false when there was none.
    void AssignStudent(std::string_view dni, std::string_view nombre);
    bool UnassignStudent(std::string_view dni);
    std::optional<std::string> StudentTimetable(std::string_view dni);
    // Every student's timetable, by DNI as eight digits.
    std::map<std::string, std::string> StudentTimetables();
    void AssignDoor(char door, std::string_view nombre);
    bool UnassignDoor(char door);
    std::optional<std::string> DoorTimetable(char door);

    // The days without school, by their first day.
    std::vector<CalendarRange> Calendar();
    // Adds the range, or gives a new description to the same range. kInvalidDay for a day that
    // is not an ISO day, kTimetableInvalid when it ends before it begins.
    void AddCalendarRange(const CalendarRange& range);
    bool RemoveCalendarRange(std::string_view desde, std::string_view hasta);

    // For one card, in one statement: the timetables of the student and of the door as they
    // stand on `weekday` (1 Monday .. 7 Sunday), and whether `isoDay` is without school. A DNI
    // that is not eight digits has no timetable (the card is refused before this).
    CardTimetables ForCard(std::string_view dni, char door, std::string_view isoDay, int weekday);

  private:
    SqlSession& m_session;
};

// What a card's decision reads: the student (none when not registered) and the timetables that
// apply at the door on the day. The student's DNI is checked as Connection::FindStudent checks
// it (kInvalidDni).
struct CardLookup {
    std::optional<StudentRecord> student;
    CardTimetables timetables;
};
// Both in one statement: a card's one round trip to a server.
CardLookup LookUpCard(SqlSession& session, std::string_view dni, char door, std::string_view isoDay,
                      int weekday);

// A session of its own on the database at `location`, for the administrator's tools.
class TimetableTables {
  public:
    TimetableTables(const StorageLocation& location, OpenMode mode)
        : m_session(OpenSession(location, mode)), m_store(*m_session) {}
    TimetableStore& Store() { return m_store; }
    SqlSession& Session() { return *m_session; }

  private:
    std::unique_ptr<EngineSession> m_session;
    TimetableStore m_store;
};

// "07:45" for 465; "24:00" for the end of the day.
std::string MinutesText(int minutes);

}  // namespace accessdb
