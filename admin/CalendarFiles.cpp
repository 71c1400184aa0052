#include "CalendarFiles.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "CsvReader.h"
#include "CsvWriter.h"
#include "Days.h"

namespace admin {

namespace {

// More repetitions than a school year has days, from one event: a rule gone wrong.
constexpr int kMaxRepetitions = 1000;

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

struct RecurFree {
    void operator()(icalrecur_iterator* iterator) const { icalrecur_iterator_free(iterator); }
};

std::string IsoOf(const icaltimetype& day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
    return text;
}

icaltimetype DateOf(const std::string& iso) {
    icaltimetype day = icaltime_null_date();
    day.year = std::atoi(iso.substr(0, 4).c_str());
    day.month = std::atoi(iso.substr(5, 2).c_str());
    day.day = std::atoi(iso.substr(8, 2).c_str());
    day.is_date = 1;
    return day;
}

icaltimetype DaysAfter(icaltimetype day, int days) {
    icaltime_adjust(&day, days, 0, 0, 0);
    return day;
}

// "«Navidad» (23/12/2026)": how an event is named in a note or a fault.
std::string EventName(icalcomponent* event) {
    const char* summary = icalcomponent_get_summary(event);
    std::string name = summary != nullptr && *summary != '\0' ? summary : "sin título";
    const icaltimetype start = icalcomponent_get_dtstart(event);
    if (!icaltime_is_null_time(start)) {
        const auto day = ReadCommandLineDay(IsoOf(start));
        if (day) {
            return "«" + name + "» (" + ShownDay(*day) + ")";
        }
    }
    return "«" + name + "»";
}

// The days an all-day event covers after its first: DTEND is the day after the last (RFC 5545),
// DURATION counts whole days; neither means the one day.
int ExtraDays(icalcomponent* event, const icaltimetype& start) {
    const icaltimetype end = icalcomponent_get_dtend(event);
    if (icaltime_is_null_time(end) || !end.is_date) {
        return 0;
    }
    int extra = 0;
    for (icaltimetype day = DaysAfter(start, 1);
         icaltime_compare_date_only(day, end) < 0 && extra < kMaxRepetitions;
         day = DaysAfter(day, 1)) {
        ++extra;
    }
    return extra;
}

}  // namespace

bool LooksLikeICalendar(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return false;
    }
    std::string head(text.substr(first, 15));
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return head == "BEGIN:VCALENDAR";
}

CalendarFile ReadICalendar(std::string_view text, const std::string& horizon) {
    CalendarFile file;
    const Component calendar(icalparser_parse_string(std::string(text).c_str()));
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT) {
        file.faults.push_back(
            {0,
             {},
             "no es un calendario iCalendar que se pueda leer (falta BEGIN:VCALENDAR "
             "... END:VCALENDAR)",
             0,
             {}});
        return file;
    }
    const icaltimetype last = DateOf(horizon);
    for (icalcomponent* event =
             icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
         event != nullptr;
         event = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        if (icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED) {
            file.notes.push_back("se deja fuera " + EventName(event) + ": está cancelado");
            continue;
        }
        const icaltimetype start = icalcomponent_get_dtstart(event);
        if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start)) {
            file.faults.push_back(
                {0,
                 {},
                 "el evento " + EventName(event) + " no tiene un DTSTART que se pueda leer",
                 0,
                 {}});
            continue;
        }
        if (!start.is_date) {
            file.notes.push_back("se deja fuera " + EventName(event) +
                                 ": tiene hora, y solo los días enteros son días sin clase");
            continue;
        }
        const char* summary = icalcomponent_get_summary(event);
        const std::string description = summary != nullptr ? summary : "";
        const int extra = ExtraDays(event, start);
        icalproperty* rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        if (rule == nullptr) {
            file.ranges.push_back({IsoOf(start), IsoOf(DaysAfter(start, extra)), description});
            continue;
        }
        const std::unique_ptr<icalrecur_iterator, RecurFree> repetitions(
            icalrecur_iterator_new(icalproperty_get_rrule(rule), start));
        if (!repetitions) {
            file.faults.push_back({0,
                                   {},
                                   "la regla de repetición (RRULE) del evento " + EventName(event) +
                                       " no se puede leer",
                                   0,
                                   {}});
            continue;
        }
        int count = 0;
        bool beyond = false;
        bool tooMany = false;
        for (icaltimetype day = icalrecur_iterator_next(repetitions.get());
             !icaltime_is_null_time(day); day = icalrecur_iterator_next(repetitions.get())) {
            if (icaltime_compare_date_only(day, last) > 0) {
                beyond = true;
                break;
            }
            if (++count > kMaxRepetitions) {
                tooMany = true;
                break;
            }
            icaltimetype first = start;
            if (icalproperty_recurrence_is_excluded(event, &first, &day) != 0) {
                continue;
            }
            file.ranges.push_back({IsoOf(day), IsoOf(DaysAfter(day, extra)), description});
        }
        if (tooMany) {
            file.notes.push_back("el evento " + EventName(event) + " se repite más de " +
                                 std::to_string(kMaxRepetitions) + " veces: se importan las " +
                                 std::to_string(kMaxRepetitions) +
                                 " primeras; compruebe su regla de repetición");
        } else if (beyond) {
            const auto shown = ReadCommandLineDay(horizon);
            file.notes.push_back("el evento " + EventName(event) + " se repite más allá del " +
                                 (shown ? ShownDay(*shown) : horizon) +
                                 ": se importan sus días hasta entonces; vuelva a importar el "
                                 "calendario más adelante");
        }
    }
    return file;
}

CalendarFile ReadCalendarSheet(std::string_view text) {
    CalendarFile file;
    const CsvTable table = ReadCsv(text);
    for (const CsvFault& fault : table.faults) {
        file.faults.push_back({fault.line, {}, fault.text, 0, {}});
    }
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t desde = kNone, hasta = kNone, descripcion = kNone;
    bool header = true;
    for (const CsvRecord& record : table.records) {
        const auto blank = [](const std::string& f) {
            return f.find_first_not_of(" \t") == std::string::npos;
        };
        if (std::all_of(record.fields.begin(), record.fields.end(), blank)) {
            continue;
        }
        if (header) {
            header = false;
            for (std::size_t i = 0; i < record.fields.size(); ++i) {
                std::string key;
                for (const char c : record.fields[i]) {
                    if (c != ' ' && c != '\t') {
                        key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                    }
                }
                if (key == "desde") {
                    desde = i;
                } else if (key == "hasta") {
                    hasta = i;
                } else if (key == "descripcion" || key == "descripción") {
                    descripcion = i;
                } else if (!key.empty()) {
                    file.faults.push_back({record.line,
                                           {},
                                           "la cabecera nombra «" + record.fields[i] +
                                               "», una columna que no existe; las columnas "
                                               "son Desde, Hasta y Descripcion",
                                           i + 1,
                                           {}});
                }
            }
            if (desde == kNone) {
                file.faults.push_back({record.line,
                                       {},
                                       "a la cabecera le falta la columna Desde; la primera "
                                       "línea debe ser Desde;Hasta;Descripcion",
                                       0,
                                       {}});
                return file;
            }
            continue;
        }
        const auto field = [&](std::size_t at) -> std::string {
            if (at == kNone || at >= record.fields.size()) {
                return {};
            }
            const std::string& f = record.fields[at];
            const auto first = f.find_first_not_of(" \t");
            return first == std::string::npos
                       ? std::string()
                       : f.substr(first, f.find_last_not_of(" \t") - first + 1);
        };
        const auto from = ReadCommandLineDay(field(desde));
        if (!from) {
            file.faults.push_back({record.line, "Desde",
                                   "«" + field(desde) + "» no es un día DD/MM/AAAA ni AAAA-MM-DD",
                                   0, "no es un día"});
            continue;
        }
        const std::string toText = field(hasta);
        const auto to = toText.empty() ? from : ReadCommandLineDay(toText);
        if (!to) {
            file.faults.push_back({record.line, "Hasta",
                                   "«" + toText + "» no es un día DD/MM/AAAA ni AAAA-MM-DD", 0,
                                   "no es un día"});
            continue;
        }
        if (*to < *from) {
            file.faults.push_back({record.line, "Hasta",
                                   "el último día (" + ShownDay(*to) +
                                       ") es anterior al primero (" + ShownDay(*from) + ")",
                                   0, "acaba antes de empezar"});
            continue;
        }
        file.ranges.push_back({IsoDay(*from), IsoDay(*to), field(descripcion)});
    }
    if (header && file.faults.empty()) {
        file.faults.push_back(
            {0,
             {},
             "el archivo está vacío: no tiene ni la cabecera (Desde;Hasta;Descripcion)",
             0,
             {}});
    }
    return file;
}

std::string WriteICalendar(const std::vector<accessdb::CalendarRange>& ranges, std::time_t stamp) {
    const Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(),
                               icalproperty_new_prodid("-//Tarvo//tarvo-admin calendario//ES"));
    const icaltimetype written =
        icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone());
    for (const accessdb::CalendarRange& range : ranges) {
        icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
        icalcomponent_add_component(calendar.get(), event);  // the calendar owns it from here
        icalcomponent_set_uid(
            event, ("dias-sin-clase-" + range.desde + "-" + range.hasta + "@tarvo").c_str());
        icalcomponent_set_dtstamp(event, written);
        icalcomponent_set_dtstart(event, DateOf(range.desde));
        icalcomponent_set_dtend(event, DaysAfter(DateOf(range.hasta), 1));
        icalcomponent_set_summary(event, range.descripcion.c_str());
        icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    }
    char* text = icalcomponent_as_ical_string_r(calendar.get());
    std::string result = text != nullptr ? text : "";
    icalmemory_free_buffer(text);
    return result;
}

std::string WriteCalendarSheet(const std::vector<accessdb::CalendarRange>& ranges) {
    std::string sheet = CsvLine({"Desde", "Hasta", "Descripcion"});
    for (const accessdb::CalendarRange& range : ranges) {
        const auto from = ReadCommandLineDay(range.desde);
        const auto to = ReadCommandLineDay(range.hasta);
        sheet += CsvLine({from ? ShownDay(*from) : range.desde, to ? ShownDay(*to) : range.hasta,
                          range.descripcion});
    }
    return sheet;
}

}  // namespace admin
