#pragma once

#include <array>
#include <string>
#include <string_view>

#include "accessdb/AttemptListing.h"

namespace mireval {

// The listing's columns, named as the table Intentos names them.
inline constexpr std::array<std::string_view, 7> kAttemptColumns{
    "Fecha", "Hora", "DNI", "Puerta", "Puesto", "Resultado", "Motivo"};

using AttemptCells = std::array<std::string, kAttemptColumns.size()>;

// What a row of the listing shows, column by column: the day as DD/MM/AAAA, as the filters
// take it (a Fecha that is no date as it is stored), the other columns as stored.
AttemptCells CellsOf(const accessdb::PositionedAttempt& attempt);

// The row as one sentence, for a screen reader that reads a cell with its row:
// "05/03/2024 10:15:00, DNI 12345678, puerta 3, puesto P3: denegado, puerta no permitida".
std::string SpokenRow(const accessdb::PositionedAttempt& attempt);

}  // namespace mireval
