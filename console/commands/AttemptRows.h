#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "accessdb/AttemptListing.h"

namespace mireval {

// The listing's columns, named as the table Intentos names them, with the student's name from
// Alumnos beside the DNI.
inline constexpr std::array<std::string_view, 8> kAttemptColumns{
    "Fecha", "Hora", "DNI", "Alumno", "Puerta", "Puesto", "Resultado", "Motivo"};
inline constexpr std::size_t kOutcomeColumn = 6;
inline constexpr std::size_t kReasonColumn = 7;

using AttemptCells = std::array<std::string, kAttemptColumns.size()>;

// How an outcome stands out in the listing: by colour, by an icon and by a sign in its text, so
// that it reads without colour too.
enum class OutcomeMark { Granted, Denied, Unregistered, Error, Other };
OutcomeMark MarkOf(std::string_view resultado);

// What a row of the listing shows, column by column: the day as DD/MM/AAAA, as the filters
// take it (a Fecha that is no date as it is stored), the outcome after its sign ("✖ denegado"),
// the other columns as stored.
AttemptCells CellsOf(const accessdb::PositionedAttempt& attempt);

// The row as one sentence, for a screen reader that reads a cell with its row and for the
// detail below the list: "05/03/2024 10:15:00, DNI 12345678 (Ana Pérez), puerta 3, puesto P3:
// denegado, puerta no permitida".
std::string SpokenRow(const accessdb::PositionedAttempt& attempt);

// The column a header click orders by, when it is one the database orders by an index.
std::optional<accessdb::AttemptOrder> OrderOfColumn(std::size_t column);
std::size_t ColumnOfOrder(accessdb::AttemptOrder order);

// An entry of the window's order list, the keyboard's way to what a header click does.
struct OrderChoice {
    std::string_view label;
    accessdb::AttemptOrder order;
    bool descending;
};
// Newest day first (the listing's own order) first.
std::span<const OrderChoice> OrderChoices();

}  // namespace mireval
