#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "accessdb/Records.h"

namespace mireval {

// A wall-clock time as a count of seconds, read as the stations write their times (local
// "YYYY-MM-DD HH:MM:SS"): only differences between two such counts mean anything.
using WallSeconds = std::int64_t;

// A station reports every minute: three minutes without a report is a station to look at.
inline constexpr std::int64_t kStaleAfterSeconds = 3 * 60;

// The stations window's columns.
inline constexpr std::array<std::string_view, 7> kStationColumns{
    "Puesto",          "Estado",
    "Último contacto", "Sin servidor desde",
    "Pendientes",      "Copia de los alumnos",
    "Usuario"};
inline constexpr std::size_t kStateColumn = 1;

using StationCells = std::array<std::string, kStationColumns.size()>;

// What a row of the stations window shows, and how it stands.
struct StationRow {
    std::string name;
    StationCells cells;
    bool stale = false;    // no report for over kStaleAfterSeconds, or none readable
    bool offline = false;  // its last report says it decides without its server
    // The row as one sentence, for a screen reader: "Puesto P3: sin noticias desde hace 12 min;
    // último contacto 07/12/2026 17:29:31; ...".
    std::string spoken;
};

// A time as the station wrote it; none for an empty text or one that is not such a time.
std::optional<WallSeconds> WallSecondsOf(std::string_view stamp);
// The console's local time now, on the same count.
WallSeconds LocalNow();
// "07/12/2026 17:29:31" for "2026-12-07 17:29:31", as the console shows days; a text that is
// no time as it is stored.
std::string ShownTime(std::string_view stamp);
// "17:29:31": the time of day of a count.
std::string TimeOfDay(WallSeconds when);
// How long ago, in plain words: "hace menos de 1 min", "hace 12 min", "hace 3 h 12 min",
// "hace 2 días 4 h". A time ahead of now (a station's clock a little fast) counts as now.
std::string AgeText(std::int64_t seconds);

// The row for a station's report, its ages and its state as of `now`.
StationRow RowOf(const accessdb::StationReport& report, WallSeconds now);

}  // namespace mireval
