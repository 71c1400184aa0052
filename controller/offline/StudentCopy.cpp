#include "StudentCopy.h"

#include <algorithm>
#include <charconv>
#include <fstream>

#include "controller/journal/StateFiles.h"

namespace tarvo {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStudentsFile = "copia";
constexpr const char* kConfirmationFile = "copia-vigente";
constexpr const char* kHeader = "tarvo copia de alumnos 2";

std::optional<std::int64_t> NumberIn(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string Formatted(std::time_t when, const char* format) {
    std::tm local{};
    char text[32] = {};
    if (localtime_r(&when, &local) == nullptr ||
        std::strftime(text, sizeof text, format, &local) == 0) {
        return {};
    }
    return text;
}

constexpr char kStudent = 'S';
constexpr char kTimetable = 'H';
constexpr char kSegment = 'T';
constexpr char kStudentTimetable = 'A';
constexpr char kDoorTimetable = 'P';
constexpr char kCalendar = 'C';

// One line of the copy into it; false when it is not one the copy writes.
bool Read(std::vector<std::string>& f, StudentCopy& copy) {
    const char tag = f[0].size() == 1 ? f[0][0] : '\0';
    if (tag == kStudent && f.size() == 11) {
        copy.students.push_back({std::move(f[1]), std::move(f[2]), std::move(f[3]), std::move(f[4]),
                                 std::move(f[5]), std::move(f[6]), std::move(f[7]), std::move(f[8]),
                                 std::move(f[9]), std::move(f[10])});
        return true;
    }
    if (tag == kTimetable && f.size() == 3) {
        accessdb::Timetable timetable;
        timetable.nombre = std::move(f[1]);
        timetable.diasSinClase = f[2] == "1";
        copy.timetables.push_back(std::move(timetable));
        return true;
    }
    if (tag == kSegment && f.size() == 5 && !copy.timetables.empty() &&
        copy.timetables.back().nombre == f[1]) {
        const auto day = NumberIn(f[2]);
        const auto from = NumberIn(f[3]);
        const auto to = NumberIn(f[4]);
        if (!day || !from || !to || *day < 1 || *day > accessdb::kDaysPerWeek) {
            return false;
        }
        copy.timetables.back().dias[static_cast<std::size_t>(*day - 1)].push_back(
            {static_cast<int>(*from), static_cast<int>(*to)});
        return true;
    }
    if (tag == kStudentTimetable && f.size() == 3) {
        copy.studentTimetables[std::move(f[1])] = std::move(f[2]);
        return true;
    }
    if (tag == kDoorTimetable && f.size() == 3) {
        const auto door = NumberIn(f[1]);
        if (!door || *door < 1 || *door > 8) {
            return false;
        }
        copy.doorTimetables[static_cast<std::size_t>(*door - 1)] = std::move(f[2]);
        return true;
    }
    if (tag == kCalendar && f.size() == 4) {
        copy.calendar.push_back({std::move(f[1]), std::move(f[2]), std::move(f[3])});
        return true;
    }
    return false;
}

}  // namespace

std::optional<accessdb::StudentRecord> StudentCopy::Find(std::string_view dni) const {
    const auto found =
        std::lower_bound(students.begin(), students.end(), dni,
                         [](const accessdb::StudentRecord& student, std::string_view wanted) {
                             return student.dni < wanted;
                         });
    if (found == students.end() || found->dni != dni) {
        return std::nullopt;
    }
    return *found;
}

accessdb::CardTimetables StudentCopy::TimetablesFor(std::string_view dni, char door,
                                                    std::string_view isoDay, int weekday) const {
    const auto dayOf = [&](const std::string& name) -> std::optional<accessdb::TimetableDay> {
        for (const accessdb::Timetable& timetable : timetables) {
            if (timetable.nombre == name && weekday >= 1 && weekday <= accessdb::kDaysPerWeek) {
                return accessdb::TimetableDay{
                    timetable.nombre, timetable.diasSinClase,
                    timetable.dias[static_cast<std::size_t>(weekday - 1)]};
            }
        }
        return std::nullopt;
    };
    accessdb::CardTimetables card;
    if (const auto found = studentTimetables.find(std::string(dni));
        found != studentTimetables.end()) {
        card.alumno = dayOf(found->second);
    }
    if (door >= '1' && door <= '8' &&
        !doorTimetables[static_cast<std::size_t>(door - '1')].empty()) {
        card.puerta = dayOf(doorTimetables[static_cast<std::size_t>(door - '1')]);
    }
    for (const accessdb::CalendarRange& range : calendar) {
        if (range.desde <= isoDay && isoDay <= range.hasta) {
            card.diaSinClase = range.descripcion;
            break;
        }
    }
    return card;
}

bool StudentCopy::UsableAt(std::time_t now) const {
    const std::int64_t age = std::max<std::int64_t>(0, static_cast<std::int64_t>(now - currentAt));
    return limitHours > 0 && age < static_cast<std::int64_t>(limitHours) * 3600;
}

void SaveCopy(const fs::path& folder, const StudentCopy& copy) {
    MakePrivateFolder(folder);
    std::string contents = std::string(kHeader) + '\t' + std::to_string(copy.changes) + '\t' +
                           std::to_string(copy.currentAt) + '\t' + std::to_string(copy.limitHours) +
                           '\n';
    std::size_t lines = 0;
    const auto add = [&](char tag, std::initializer_list<std::string> fields) {
        contents += tag;
        for (const std::string& field : fields) {
            contents += '\t' + Escaped(field);
        }
        contents += '\n';
        ++lines;
    };
    for (const accessdb::StudentRecord& s : copy.students) {
        add(kStudent, {s.dni, s.nombre, s.apellido1, s.apellido2, s.puerta, s.agosto, s.finDeSemana,
                       s.periodoTemporal, s.fechaA, s.fechaB});
    }
    for (const accessdb::Timetable& timetable : copy.timetables) {
        add(kTimetable, {timetable.nombre, timetable.diasSinClase ? "1" : "0"});
        for (std::size_t day = 0; day < timetable.dias.size(); ++day) {
            for (const accessdb::TimetableSegment& segment : timetable.dias[day]) {
                add(kSegment, {timetable.nombre, std::to_string(day + 1),
                               std::to_string(segment.desde), std::to_string(segment.hasta)});
            }
        }
    }
    for (const auto& [dni, name] : copy.studentTimetables) {
        add(kStudentTimetable, {dni, name});
    }
    for (std::size_t door = 0; door < copy.doorTimetables.size(); ++door) {
        if (!copy.doorTimetables[door].empty()) {
            add(kDoorTimetable, {std::to_string(door + 1), copy.doorTimetables[door]});
        }
    }
    for (const accessdb::CalendarRange& range : copy.calendar) {
        add(kCalendar, {range.desde, range.hasta, range.descripcion});
    }
    // The count at the end: a copy cut short is no copy.
    contents += "fin\t" + std::to_string(lines) + '\n';
    ReplaceWhole(folder / kStudentsFile, contents);
    SaveConfirmation(folder, copy);
}

void SaveConfirmation(const fs::path& folder, const StudentCopy& copy) {
    ReplaceWhole(folder / kConfirmationFile, std::to_string(copy.changes) + '\t' +
                                                 std::to_string(copy.currentAt) + '\t' +
                                                 std::to_string(copy.limitHours) + '\n');
}

std::optional<StudentCopy> LoadCopy(const fs::path& folder) {
    std::ifstream in(folder / kStudentsFile, std::ios::binary);
    std::string line;
    if (!std::getline(in, line)) {
        return std::nullopt;
    }
    const std::vector<std::string> header = Fields(line);
    StudentCopy copy;
    const bool known = header.size() == 4 && header[0] == kHeader;
    const auto changes = known ? NumberIn(header[1]) : std::nullopt;
    const auto readAt = known ? NumberIn(header[2]) : std::nullopt;
    const auto limit = known ? NumberIn(header[3]) : std::nullopt;
    if (!changes || !readAt || !limit) {
        return std::nullopt;
    }
    copy.changes = *changes;
    copy.currentAt = static_cast<std::time_t>(*readAt);
    copy.limitHours = static_cast<int>(*limit);
    bool whole = false;
    std::int64_t lines = 0;
    while (std::getline(in, line)) {
        std::vector<std::string> f = Fields(line);
        if (f.size() == 2 && f[0] == "fin") {
            whole = NumberIn(f[1]) == lines;
            break;
        }
        if (!Read(f, copy)) {
            return std::nullopt;
        }
        ++lines;
    }
    if (!whole) {
        return std::nullopt;
    }
    // The confirmation counts only for these students: one left from an older copy does not.
    std::ifstream confirmation(folder / kConfirmationFile, std::ios::binary);
    if (std::getline(confirmation, line)) {
        const std::vector<std::string> f = Fields(line);
        if (f.size() == 3 && NumberIn(f[0]) == copy.changes && NumberIn(f[1]) && NumberIn(f[2])) {
            copy.currentAt = static_cast<std::time_t>(*NumberIn(f[1]));
            copy.limitHours = static_cast<int>(*NumberIn(f[2]));
        }
    }
    return copy;
}

std::string ReportedTime(std::time_t when) { return Formatted(when, "%Y-%m-%d %H:%M:%S"); }

std::string ShownTime(std::time_t when) { return Formatted(when, "%d/%m/%Y %H:%M"); }

}  // namespace tarvo
