#pragma once

#include <string>
#include <string_view>

namespace accessdb::postgres {

// The ISO day ("2024-03-05") that an access date text in `column` denotes (" 5/03/2024", the
// controller's encoding), as an SQL expression; "" for a text that is not such a date. The same
// reading as intentos.dia in Schema.sql, for picadas, which has no column of its own for it.
inline std::string DayOf(std::string_view column) {
    const std::string c(column);
    return "(CASE WHEN " + c + " ~ '^[ 0-3][0-9]/[01][0-9]/[0-9]{4}$' THEN substr(" + c +
           ", 7, 4) || '-' || substr(" + c + ", 4, 2) || '-' || replace(substr(" + c +
           ", 1, 2), ' ', '0') ELSE '' END)";
}

}  // namespace accessdb::postgres
