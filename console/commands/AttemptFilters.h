#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "accessdb/AttemptListing.h"

namespace mireval {

// The attempts window's filters as the administrator left them: the texts typed and the values
// of the list entries chosen. An empty filter limits nothing; those left out are empty.
struct AttemptFilters {
    std::string dni = {};        // as read from the card: eight characters, matched whole
    std::string puerta = {};     // "" every door, "0" no door selected, "1" to "8"
    std::string resultado = {};  // "" every outcome, else one of the stored outcome texts
    std::string desde = {};      // the first day, as typed ("05/03/2024")
    std::string hasta = {};      // the last day, as typed
};

// The newest page the filters ask for, or why they cannot be used (for an OK box).
struct AttemptFilterCheck {
    std::optional<accessdb::AttemptQuery> query;
    std::string refusal;
    // What was taken otherwise than typed, for the window to say: "" when nothing was.
    std::string notice = {};
};

// Checks every filter before anything is read, so a mistyped day is told as such instead of
// listing nothing. The page size is kept within what one page may hold. A DNI of seven digits
// is the card's eight with the leading zero a spreadsheet drops ("2527375" for "02527375"):
// it is looked up with the zero, and the notice says so.
AttemptFilterCheck QueryFromFilters(const AttemptFilters& filters, std::size_t pageSize);

// A day as the administrator types it, "05/03/2024" or "5/3/2024" (or "2024-03-05", as the
// exports take it), as the ISO day the listing compares ("2024-03-05"). None for a text that is
// not a day of the calendar: "31/02/2024", a two-digit year, words. Spaces around are ignored.
std::optional<std::string> IsoDayOf(std::string_view typed);

// An entry of the door or outcome list: what it shows, and the filter's value when chosen.
struct FilterChoice {
    std::string_view label;
    std::string_view value;
};

// Every door first, then no door selected, then doors 1 to 8.
std::span<const FilterChoice> DoorChoices();
// Every outcome first, then the four outcomes as the stations store them.
std::span<const FilterChoice> OutcomeChoices();

}  // namespace mireval
