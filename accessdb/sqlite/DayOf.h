#pragma once

#include <string>
#include <string_view>

namespace accessdb::sqlite {

// The ISO day ("2024-03-05") that an access date text in `column` denotes (" 5/03/2024", the
// controller's encoding), as an SQL expression; "" for a text that is not such a date. The
// tables' dates do not sort as texts; their days do. Deterministic, so Intentos keeps it as a
// generated column and Picadas is filtered by it without a column of its own.
inline std::string DayOf(std::string_view column) {
    const std::string c(column);
    return "CASE WHEN " + c + " GLOB '[ 0-3][0-9]/[01][0-9]/[0-9][0-9][0-9][0-9]' THEN substr(" +
           c + ", 7, 4) || '-' || substr(" + c + ", 4, 2) || '-' || replace(substr(" + c +
           ", 1, 2), ' ', '0') ELSE '' END";
}

}  // namespace accessdb::sqlite
