#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "NullColumns.h"
#include "Records.h"

namespace accessdb {

// One attempt with its place in the order written (Intentos.Orden) and the day its Fecha
// denotes as an ISO day ("2024-03-05"; "" when Fecha is not an access date).
struct PositionedAttempt {
    std::int64_t position = 0;
    std::string day;
    AttemptRecord attempt;
    NullColumns nulls{};  // of the attempt's columns, for a copy of the site
    // "Nombre Apellido1 Apellido2" of the student with that DNI; "" when Alumnos has none. Only
    // the listing fills it.
    std::string student = {};
};

// Where a page of the attempts listing ended: the next page starts just after it.
struct AttemptCursor {
    std::string day;
    std::int64_t position = 0;
    std::string key = {};  // the DNI or the outcome, when the listing is ordered by it
};

// What the listing is ordered by. Each order is one that an index reads as it stands, so a page
// of any order is one range read; the order written (Orden) settles equal values.
//   Day: (Dia, Orden); Dni: (DNI, Dia, Orden); Outcome: (Resultado, Dia, Orden);
//   Written: Orden alone, as the exports write the table.
enum class AttemptOrder { Day, Dni, Outcome, Written };

// What the administrator's attempts window asks for: newest first (by day, and within a day by
// the order written), filtered, one page at a time. Every filter left empty matches all.
//
//   AttemptQuery query;
//   query.resultado = kOutcomeDenied;
//   query.from = "2024-03-01";
//   AttemptPage page = db.ListAttempts(query);    // the newest 100 denials since 1 March
//   query.before = page.next;                     // ... and the 100 before them
//   if (page.next) page = db.ListAttempts(query);
//
// Each page is one indexed range read, however many rows the table holds: the window never
// loads the table whole.
struct AttemptQuery {
    std::string dni;                      // the DNI exactly as read from the card ("01234567")
    std::string puerta;                   // a door digit, "1" to "8" ("0": no door was selected)
    std::string resultado;                // one of the kOutcome texts of Records.h
    std::string from;                     // first day, ISO "YYYY-MM-DD", included
    std::string to;                       // last day, ISO "YYYY-MM-DD", included
    std::optional<AttemptCursor> before;  // the `next` of the page shown; none for the newest
    std::size_t limit = 100;              // rows per page, 1 to kMaxAttemptPage
    AttemptOrder order = AttemptOrder::Day;
    bool descending = true;
    // Read the other way: the rows just before `before` in the listing (its last rows without
    // one), still returned in the listing's order; `next` is then the cursor of the first.
    bool backward = false;
};

// How many attempts the filters of a query match on one day with one outcome.
struct AttemptDayCount {
    std::string day;  // ISO, "" for a Fecha that is no date
    std::string resultado;
    std::int64_t count = 0;
};

inline constexpr std::size_t kMaxAttemptPage = 1000;

// Where a row stands in a listing of that order: the cursor of the page that ends with it.
inline AttemptCursor CursorOf(const PositionedAttempt& row, AttemptOrder order) {
    const std::string& key = order == AttemptOrder::Dni       ? row.attempt.dni
                             : order == AttemptOrder::Outcome ? row.attempt.resultado
                                                              : std::string();
    return {row.day, row.position, key};
}

struct AttemptPage {
    std::vector<PositionedAttempt> attempts;  // in the listing's order
    std::optional<AttemptCursor> next;        // set when more lie beyond, in the way read
};

}  // namespace accessdb
