#include "TimetableBoard.h"

#include <algorithm>
#include <exception>

#include "SourceFailure.h"
#include "accessdb/DatabaseError.h"

namespace mireval {

namespace {

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string Quoted(std::string_view name) { return "«" + std::string(name) + "»"; }

// "2026-12-23" as "23/12/2026"; anything else as it came.
std::string ShownDay(const std::string& iso) {
    if (iso.size() != 10 || iso[4] != '-' || iso[7] != '-') {
        return iso;
    }
    return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4);
}

std::optional<std::string> NameOrNone(const std::string& name) {
    return name.empty() ? std::nullopt : std::optional<std::string>(name);
}

}  // namespace

TimetableBoard::TimetableBoard(TimetableSource& source, UserMessages& messages)
    : m_source(source), m_messages(messages) {}

bool TimetableBoard::Refresh() { return Read(true); }

bool TimetableBoard::Read(bool tellFailure) {
    std::vector<accessdb::Timetable> timetables;
    std::vector<accessdb::CalendarRange> calendar;
    DoorTimetables doors;
    std::optional<std::string> studentTimetable;
    const auto failure = SourceFailure([&] {
        timetables = m_source.ListTimetables();
        calendar = m_source.Calendar();
        doors = m_source.Doors();
        if (m_student) {
            studentTimetable = m_source.StudentTimetable(*m_student);
        }
    });
    if (failure) {
        if (tellFailure) {
            m_messages.ShowMessage(*failure);
        }
        return false;
    }
    m_timetables = std::move(timetables);
    m_calendar = std::move(calendar);
    m_doors = std::move(doors);
    m_studentTimetable = std::move(studentTimetable);
    return true;
}

bool TimetableBoard::ShowStudent(std::optional<std::string> dni) {
    m_student = std::move(dni);
    m_studentTimetable.reset();
    if (!m_student) {
        return true;
    }
    std::optional<std::string> timetable;
    if (const auto failure =
            SourceFailure([&] { timetable = m_source.StudentTimetable(*m_student); })) {
        m_messages.ShowMessage(*failure);
        return false;
    }
    m_studentTimetable = std::move(timetable);
    return true;
}

const accessdb::Timetable* TimetableBoard::Find(std::string_view name) const {
    const auto found =
        std::find_if(m_timetables.begin(), m_timetables.end(),
                     [&](const auto& timetable) { return timetable.nombre == name; });
    return found == m_timetables.end() ? nullptr : &*found;
}

template <class Action>
bool TimetableBoard::Change(Action&& action) {
    if (const auto failure = SourceFailure(std::forward<Action>(action))) {
        m_messages.ShowMessage(*failure);
        // Someone else may have changed what the change relied on (a timetable renamed at
        // another desk): show what is stored now, without a second box when that fails too.
        (void)Read(false);
        return false;
    }
    (void)Read(true);
    return true;
}

bool TimetableBoard::Save(std::string_view name, const WeekTexts& week, bool diasSinClase,
                          std::string_view selected) {
    accessdb::Timetable timetable;
    timetable.nombre = Trimmed(name);
    timetable.diasSinClase = diasSinClase;
    if (timetable.nombre.empty()) {
        m_messages.ShowMessage("Escriba el nombre del horario antes de guardarlo.");
        return false;
    }
    for (std::size_t day = 0; day < week.size(); ++day) {
        ParsedDay parsed = ParseDay(week[day], static_cast<int>(day));
        if (!parsed.Ok()) {
            m_messages.ShowMessage(parsed.error);
            return false;
        }
        timetable.dias[day] = std::move(parsed.tramos);
    }
    if (timetable.nombre != selected && Find(timetable.nombre) != nullptr &&
        !m_messages.Confirm("Ya hay un horario llamado " + Quoted(timetable.nombre) +
                            ". ¿Reemplazar su semana por esta?")) {
        return false;
    }
    return Change([&] { m_source.SaveTimetable(timetable); });
}

bool TimetableBoard::Rename(const std::string& from, std::string_view to) {
    const std::string name = Trimmed(to);
    if (name.empty()) {
        m_messages.ShowMessage(
            "Escriba el nombre nuevo del horario en «Nombre» antes de "
            "renombrarlo.");
        return false;
    }
    if (name == from) {
        m_messages.ShowMessage("El horario ya se llama " + Quoted(name) +
                               ": escriba otro nombre en «Nombre» para renombrarlo.");
        return false;
    }
    return Change([&] { m_source.RenameTimetable(from, name); });
}

bool TimetableBoard::Delete(const std::string& name) {
    if (!m_messages.Confirm("¿Borrar el horario " + Quoted(name) + "?")) {
        return false;
    }
    return Change([&] { (void)m_source.DeleteTimetable(name); });
}

bool TimetableBoard::AddRange(const std::string& desde, const std::string& hasta,
                              std::string_view descripcion) {
    return Change([&] { m_source.AddCalendarRange({desde, hasta, Trimmed(descripcion)}); });
}

bool TimetableBoard::RemoveRange(const accessdb::CalendarRange& range) {
    return Change([&] { (void)m_source.RemoveCalendarRange(range.desde, range.hasta); });
}

bool TimetableBoard::SetDoor(int door, const std::string& name) {
    return Change([&] { m_source.SetDoor(door, NameOrNone(name)); });
}

bool TimetableBoard::SetStudentTimetable(const std::string& name) {
    if (!m_student) {
        return false;
    }
    return Change([&] { m_source.SetStudent(*m_student, NameOrNone(name)); });
}

std::string RangeText(const accessdb::CalendarRange& range) {
    std::string text = ShownDay(range.desde);
    if (range.hasta != range.desde) {
        text += " \xE2\x80\x93 " + ShownDay(range.hasta);
    }
    if (!range.descripcion.empty()) {
        text += ": " + range.descripcion;
    }
    return text;
}

}  // namespace mireval
