#include "StationRows.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "AttemptBrowser.h"

namespace mireval {

namespace {

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;

WallSeconds CountOf(std::chrono::year_month_day day, int hour, int minute, int second) {
    const auto days = std::chrono::sys_days(day).time_since_epoch().count();
    return static_cast<WallSeconds>(days) * kDay + hour * kHour + minute * kMinute + second;
}

// The number of `width` digits at `at`, none when any is not a digit.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t width) {
    int number = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

std::string Plural(std::int64_t count, const char* one, const char* many) {
    return SpanishNumber(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::optional<WallSeconds> WallSecondsOf(std::string_view stamp) {
    // "YYYY-MM-DD HH:MM:SS", nothing around it.
    if (stamp.size() != 19 || stamp[4] != '-' || stamp[7] != '-' || stamp[10] != ' ' ||
        stamp[13] != ':' || stamp[16] != ':') {
        return std::nullopt;
    }
    const auto year = Digits(stamp, 0, 4);
    const auto month = Digits(stamp, 5, 2);
    const auto day = Digits(stamp, 8, 2);
    const auto hour = Digits(stamp, 11, 2);
    const auto minute = Digits(stamp, 14, 2);
    const auto second = Digits(stamp, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || *hour > 23 || *minute > 59 ||
        *second > 59) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok()) {
        return std::nullopt;
    }
    return CountOf(date, *hour, *minute, *second);
}

WallSeconds LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::chrono::year_month_day date{
        std::chrono::year(local.tm_year + 1900),
        std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
        std::chrono::day(static_cast<unsigned>(local.tm_mday))};
    // A leap second counts as the one before it, as the stations' texts never hold one.
    return CountOf(date, local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec);
}

std::string ShownTime(std::string_view stamp) {
    if (!WallSecondsOf(stamp)) {
        return std::string(stamp);
    }
    return std::string(stamp.substr(8, 2)) + "/" + std::string(stamp.substr(5, 2)) + "/" +
           std::string(stamp.substr(0, 4)) + " " + std::string(stamp.substr(11));
}

std::string TimeOfDay(WallSeconds when) {
    const std::int64_t inDay = ((when % kDay) + kDay) % kDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(inDay / kHour),
                  static_cast<int>(inDay % kHour / kMinute), static_cast<int>(inDay % kMinute));
    return text;
}

std::string AgeText(std::int64_t seconds) {
    if (seconds < kMinute) {
        return "hace menos de 1 min";
    }
    if (seconds < kHour) {
        return "hace " + std::to_string(seconds / kMinute) + " min";
    }
    if (seconds < kDay) {
        const std::int64_t minutes = seconds % kHour / kMinute;
        return "hace " + std::to_string(seconds / kHour) + " h" +
               (minutes > 0 ? " " + std::to_string(minutes) + " min" : "");
    }
    const std::int64_t hours = seconds % kDay / kHour;
    return "hace " + Plural(seconds / kDay, "día", "días") +
           (hours > 0 ? " " + std::to_string(hours) + " h" : "");
}

StationRow RowOf(const accessdb::StationReport& report, WallSeconds now) {
    StationRow row;
    row.name = report.nombre;
    row.offline = !report.sinServidorDesde.empty();

    std::string state;
    const std::optional<WallSeconds> contact = WallSecondsOf(report.ultimoContacto);
    if (!contact) {
        row.stale = true;
        state = "sin noticias (no consta cuándo dio las últimas)";
    } else if (now - *contact > kStaleAfterSeconds) {
        row.stale = true;
        state = "sin noticias desde " + AgeText(now - *contact);
    } else if (row.offline) {
        state = "sin servidor: decide con su copia";
    } else {
        state = "conectado";
    }

    std::string copyAge;
    if (!report.copiaDe.empty()) {
        const std::optional<WallSeconds> copy = WallSecondsOf(report.copiaDe);
        copyAge = copy ? AgeText(now - *copy) : report.copiaDe;
    }

    row.cells = {report.nombre,
                 state,
                 ShownTime(report.ultimoContacto),
                 ShownTime(report.sinServidorDesde),
                 SpanishNumber(report.pendientes),
                 copyAge,
                 report.usuario};

    row.spoken = "Puesto " + report.nombre + ": " + state;
    if (!report.ultimoContacto.empty()) {
        row.spoken += "; último contacto " + row.cells[2];
    }
    if (row.offline) {
        row.spoken += "; sin servidor desde " + row.cells[3];
    }
    row.spoken += "; " + Plural(report.pendientes, "registro pendiente", "registros pendientes");
    row.spoken +=
        copyAge.empty() ? "; sin copia de los alumnos" : "; copia de los alumnos de " + copyAge;
    if (!report.usuario.empty()) {
        row.spoken += "; usuario " + report.usuario;
    }
    row.spoken += ".";
    return row;
}

}  // namespace mireval
