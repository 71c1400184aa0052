#pragma once

#include <string_view>

// What the attempts window tells the administrator about the filters and the pages.
namespace mireval::texts {

inline constexpr std::string_view kDayFormatHint =
    "Escriba el día como DD/MM/AAAA (por ejemplo 05/03/2024), o déjelo vacío para no limitar "
    "las fechas.";
inline constexpr std::string_view kFromDayName = "Desde";
inline constexpr std::string_view kToDayName = "Hasta";
inline constexpr std::string_view kDniTooLong =
    "El DNI de un intento tiene ocho caracteres, tal como se leyeron de la tarjeta. Escriba el "
    "DNI completo, o déjelo vacío para ver todos.";
inline constexpr std::string_view kUnknownDoor =
    "La puerta elegida no existe: elija una puerta de la 1 a la 8, \"sin puerta\" o todas.";
inline constexpr std::string_view kUnknownOutcome =
    "El resultado elegido no existe: elija uno de la lista, o todos.";
inline constexpr std::string_view kRangeReversed =
    "La fecha \"Desde\" es posterior a la fecha \"Hasta\": ningún intento puede estar entre "
    "ambas. Corrija una de las dos.";

inline constexpr std::string_view kNoAttempts = "Ningún intento coincide con los filtros.";
inline constexpr std::string_view kNoMoreAttempts = "No hay más intentos en este orden.";

}  // namespace mireval::texts
