#include "InputChecks.h"

#include <string>

#include "DatabaseError.h"
#include "Encodings.h"

namespace accessdb {

namespace {

// The value as a message box can show it: what is not printable ASCII as "?".
std::string Shown(std::string_view text) {
    std::string shown;
    for (unsigned char c : text) {
        shown += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return shown;
}

}  // namespace

std::int64_t DniKey(std::string_view dni) {
    if (!IsValidDni(dni)) {
        throw DatabaseError(kInvalidDni, "Error de sintaxis: el DNI \"" + Shown(dni) +
                                             "\" no es un número de ocho cifras.");
    }
    return std::stoll(std::string(dni));
}

void CheckDay(std::string_view day, std::string_view what, bool emptyAllowed) {
    if ((day.empty() && emptyAllowed) || IsIsoDay(day)) {
        return;
    }
    throw DatabaseError(kInvalidDay, std::string(what) + " («" + Shown(day) +
                                         "») no es una fecha válida: escríbala como "
                                         "AAAA-MM-DD, por ejemplo 2024-03-05.");
}

}  // namespace accessdb
