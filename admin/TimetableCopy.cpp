#include "TimetableCopy.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "accessdb/DatabaseError.h"
#include "accessdb/Transaction.h"

namespace admin {

namespace {

// Everything the timetables' tables hold, read in one snapshot.
struct TimetableSite {
    std::vector<accessdb::Timetable> timetables;
    std::map<std::string, std::string> students;
    std::map<char, std::string> doors;
    std::vector<accessdb::CalendarRange> calendar;

    bool operator==(const TimetableSite&) const = default;
};

TimetableSite ReadAll(accessdb::TimetableTables& tables) {
    accessdb::Transaction snapshot(tables.Session(), accessdb::TransactionKind::Read);
    accessdb::TimetableStore& store = tables.Store();
    TimetableSite site{store.List(), store.StudentTimetables(), {}, store.Calendar()};
    for (char door = '1'; door <= '8'; ++door) {
        if (const auto name = store.DoorTimetable(door)) {
            site.doors.emplace(door, *name);
        }
    }
    snapshot.Commit();
    return site;
}

}  // namespace

TimetableCount CopyTimetables(accessdb::TimetableTables& source,
                              accessdb::TimetableTables& target) {
    const TimetableSite from = ReadAll(source);
    accessdb::Transaction change(target.Session(), accessdb::TransactionKind::Write);
    accessdb::TimetableStore& store = target.Store();
    if (!store.List().empty() || !store.Calendar().empty()) {
        throw accessdb::DatabaseError(
            accessdb::kTargetNotEmpty,
            "El destino ya tiene horarios o días sin clase: no se copian encima.");
    }
    for (const accessdb::Timetable& timetable : from.timetables) {
        store.Save(timetable);
    }
    for (const auto& [dni, name] : from.students) {
        store.AssignStudent(dni, name);
    }
    for (const auto& [door, name] : from.doors) {
        store.AssignDoor(door, name);
    }
    for (const accessdb::CalendarRange& range : from.calendar) {
        store.AddCalendarRange(range);
    }
    if (ReadAll(target) != from) {
        throw accessdb::DatabaseError(
            accessdb::kCopyMismatch,
            "Los horarios copiados no coinciden con los del origen: no se ha guardado ninguno.");
    }
    change.Commit();
    return {from.timetables.size(), from.students.size(), from.doors.size(), from.calendar.size()};
}

}  // namespace admin
