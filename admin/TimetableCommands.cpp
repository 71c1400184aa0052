// The school calendar and the timetables from the command line: `calendario` and `horarios`.
#include <algorithm>
#include <ctime>

#include "CalendarFiles.h"
#include "Commands.h"
#include "ExitCodes.h"
#include "RefusalReport.h"
#include "TextDecoding.h"
#include "WholeFile.h"
#include "accessdb/Timetables.h"
#include "accessdb/Transaction.h"

namespace admin {

namespace {

// Repeating events are taken up to the end of the year after next: far enough for the school
// year under way and the next, near enough that a rule without end stays a few hundred days.
std::string Horizon(Day today) {
    return std::to_string(static_cast<int>(today.year()) + 2) + "-12-31";
}

std::string Periods(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " periodo sin clase" : " periodos sin clase");
}

constexpr const char* kDayNames[accessdb::kDaysPerWeek] = {
    "lunes", "martes", "miércoles", "jueves", "viernes", "sábado", "domingo"};

std::string SegmentsText(const std::vector<accessdb::TimetableSegment>& segments) {
    if (segments.empty()) {
        return "cerrado";
    }
    std::string text;
    for (const accessdb::TimetableSegment& segment : segments) {
        text += (text.empty() ? "" : ", ") + accessdb::MinutesText(segment.desde) + "-" +
                accessdb::MinutesText(segment.hasta);
    }
    return text;
}

// "lunes a viernes: 07:45-15:15": runs of days alike, told once.
void TellDays(const accessdb::Timetable& timetable, std::ostream& out) {
    for (int day = 0; day < accessdb::kDaysPerWeek;) {
        int end = day + 1;
        while (end < accessdb::kDaysPerWeek && timetable.dias[end] == timetable.dias[day]) {
            ++end;
        }
        std::string days = kDayNames[day];
        if (end - day == 2) {
            days += std::string(" y ") + kDayNames[end - 1];
        } else if (end - day > 2) {
            days += std::string(" a ") + kDayNames[end - 1];
        }
        out << "  " << days << ": " << SegmentsText(timetable.dias[day]) << '\n';
        day = end;
    }
}

void TellUse(const accessdb::TimetableUse& use, std::ostream& out) {
    out << "  puertas: ";
    if (use.puertas.empty()) {
        out << "ninguna";
    }
    for (std::size_t i = 0; i < use.puertas.size(); ++i) {
        out << (i == 0 ? "" : ", ") << use.puertas[i];
    }
    out << "\n  alumnos: " << use.alumnos;
    if (!use.primerosDni.empty()) {
        out << " (";
        for (std::size_t i = 0; i < use.primerosDni.size(); ++i) {
            out << (i == 0 ? "" : ", ") << use.primerosDni[i];
        }
        out << (use.alumnos > static_cast<std::int64_t>(use.primerosDni.size()) ? ", ...)" : ")");
    }
    out << '\n';
}

int ImportCalendar(const Invocation& invocation, const Target& target, AdminSession& session) {
    const std::string& file = invocation.target;
    std::string reason;
    const auto bytes = ReadWholeFile(file, reason);
    if (!bytes) {
        session.Err() << "tarvo-admin: no se puede leer " << file << ": " << reason << '\n';
        return kExitFailed;
    }
    const DecodeResult decoded = DecodeText(*bytes);
    CalendarFile calendar;
    if (decoded.fault) {
        calendar.faults.push_back({decoded.fault->line, {}, decoded.fault->reason, 0, {}});
    } else if (LooksLikeICalendar(decoded.text->utf8)) {
        calendar = ReadICalendar(decoded.text->utf8, Horizon(session.Today()));
    } else {
        calendar = ReadCalendarSheet(decoded.text->utf8);
    }
    for (const std::string& note : calendar.notes) {
        session.Err() << file << ": " << note << ".\n";
    }
    if (!calendar.faults.empty()) {
        TellRefusals(file, calendar.faults, session.Err());
        session.Err() << "tarvo-admin: no se ha importado nada: corrija el archivo y vuelva a "
                         "importarlo.\n";
        return kExitRefusedRows;
    }
    if (calendar.ranges.empty()) {
        session.Err() << "tarvo-admin: " << file
                      << " no tiene ningún día entero sin clase: no se ha importado nada.\n";
        return kExitFailed;
    }
    auto timetables = session.OpenTimetables(target.location, accessdb::OpenMode::ExistingOnly);
    accessdb::Transaction change(timetables->Session(), accessdb::TransactionKind::Write);
    for (const accessdb::CalendarRange& range : calendar.ranges) {
        timetables->Store().AddCalendarRange(range);
    }
    change.Commit();
    session.Out() << "Importados " << Periods(calendar.ranges.size()) << " de " << file
                  << "; el calendario tiene ahora "
                  << Periods(timetables->Store().Calendar().size()) << ".\n";
    return kExitDone;
}

int ExportCalendar(const Invocation& invocation, const Target& target, AdminSession& session) {
    auto timetables = session.OpenTimetables(target.location, accessdb::OpenMode::ExistingOnly);
    const std::vector<accessdb::CalendarRange> ranges = timetables->Store().Calendar();
    std::ostream& out = session.Out();
    out << (invocation.csv ? WriteCalendarSheet(ranges)
                           : WriteICalendar(ranges, std::time(nullptr)));
    out.flush();
    if (!out) {
        session.Err() << "tarvo-admin: no se pudo escribir la salida entera (¿disco lleno o "
                         "tubería cerrada?).\n";
        return kExitFailed;
    }
    session.Err() << "Exportados " << Periods(ranges.size()) << ".\n";
    return kExitDone;
}

}  // namespace

int CalendarCommand(const Invocation& invocation, const Target& target, AdminSession& session) {
    return invocation.calendar == CalendarAction::Import
               ? ImportCalendar(invocation, target, session)
               : ExportCalendar(invocation, target, session);
}

int TimetablesCommand(const Target& target, AdminSession& session) {
    auto timetables = session.OpenTimetables(target.location, accessdb::OpenMode::ExistingOnly);
    accessdb::TimetableStore& store = timetables->Store();
    accessdb::Transaction snapshot(timetables->Session(), accessdb::TransactionKind::Read);
    const std::vector<accessdb::Timetable> list = store.List();
    const std::vector<accessdb::TimetableUse> uses = store.Uses();
    const std::size_t days = store.Calendar().size();
    snapshot.Commit();
    std::ostream& out = session.Out();
    if (list.empty()) {
        out << "No hay horarios: sin ellos, las puertas solo miran las restricciones de cada "
               "alumno. Se crean en Mireval.\n";
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        out << list[i].nombre
            << (list[i].diasSinClase ? " (vale también los días sin clase)\n"
                                     : " (solo los días con clase)\n");
        TellDays(list[i], out);
        const auto use = std::find_if(uses.begin(), uses.end(),
                                      [&](const auto& u) { return u.nombre == list[i].nombre; });
        if (use != uses.end()) {
            TellUse(*use, out);
        }
    }
    out << "Calendario: " << Periods(days) << " (calendario export los escribe).\n";
    return kExitDone;
}

}  // namespace admin
