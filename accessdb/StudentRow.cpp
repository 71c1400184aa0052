#include "StudentRow.h"

#include <strings.h>

#include "DatabaseError.h"

namespace accessdb {

StudentRow::StudentRow(std::vector<std::pair<std::string, std::string>> columns)
    : m_hasRow(true), m_columns(std::move(columns)) {}

std::string StudentRow::Field(std::string_view column) {
    if (!m_hasRow) {
        throw DatabaseError(kNoCurrentRow, "No hay ningún registro activo.");
    }
    for (const auto& [name, value] : m_columns) {
        // Column names are matched without regard to letter case ("dni" and "DNI").
        if (name.size() == column.size() &&
            strncasecmp(name.c_str(), column.data(), column.size()) == 0) {
            return value;
        }
    }
    throw DatabaseError(kColumnNotFound, "Elemento no encontrado en esta colección: columna " +
                                             std::string(column) + ".");
}

}  // namespace accessdb
