#include "TimetableSource.h"

#include "accessdb/Timetables.h"

namespace mireval {

namespace {

char DoorDigit(int door) { return static_cast<char>('0' + door); }

// One connection for the one call: opened, used through the store, closed at its end.
template <class Action>
auto WithStore(const DatabaseLocation& database, Action&& action) {
    accessdb::Connection db = database.Open();
    accessdb::TimetableStore store(db.Session());
    return action(store);
}

}  // namespace

std::vector<accessdb::Timetable> DatabaseTimetables::ListTimetables() {
    return WithStore(m_database, [](accessdb::TimetableStore& store) { return store.List(); });
}

void DatabaseTimetables::SaveTimetable(const accessdb::Timetable& timetable) {
    WithStore(m_database, [&](accessdb::TimetableStore& store) { store.Save(timetable); });
}

void DatabaseTimetables::RenameTimetable(const std::string& from, const std::string& to) {
    WithStore(m_database, [&](accessdb::TimetableStore& store) { store.Rename(from, to); });
}

bool DatabaseTimetables::DeleteTimetable(const std::string& name) {
    return WithStore(m_database,
                     [&](accessdb::TimetableStore& store) { return store.Delete(name); });
}

std::vector<accessdb::CalendarRange> DatabaseTimetables::Calendar() {
    return WithStore(m_database, [](accessdb::TimetableStore& store) { return store.Calendar(); });
}

void DatabaseTimetables::AddCalendarRange(const accessdb::CalendarRange& range) {
    WithStore(m_database, [&](accessdb::TimetableStore& store) { store.AddCalendarRange(range); });
}

bool DatabaseTimetables::RemoveCalendarRange(const std::string& desde, const std::string& hasta) {
    return WithStore(m_database, [&](accessdb::TimetableStore& store) {
        return store.RemoveCalendarRange(desde, hasta);
    });
}

DoorTimetables DatabaseTimetables::Doors() {
    return WithStore(m_database, [](accessdb::TimetableStore& store) {
        DoorTimetables doors;
        for (int door = 1; door <= kDoorCount; ++door) {
            doors[static_cast<std::size_t>(door - 1)] = store.DoorTimetable(DoorDigit(door));
        }
        return doors;
    });
}

void DatabaseTimetables::SetDoor(int door, const std::optional<std::string>& name) {
    WithStore(m_database, [&](accessdb::TimetableStore& store) {
        if (name) {
            store.AssignDoor(DoorDigit(door), *name);
        } else {
            (void)store.UnassignDoor(DoorDigit(door));  // none already is what was asked
        }
    });
}

std::optional<std::string> DatabaseTimetables::StudentTimetable(const std::string& dni) {
    return WithStore(m_database,
                     [&](accessdb::TimetableStore& store) { return store.StudentTimetable(dni); });
}

void DatabaseTimetables::SetStudent(const std::string& dni,
                                    const std::optional<std::string>& name) {
    WithStore(m_database, [&](accessdb::TimetableStore& store) {
        if (name) {
            store.AssignStudent(dni, *name);
        } else {
            (void)store.UnassignStudent(dni);
        }
    });
}

}  // namespace mireval
