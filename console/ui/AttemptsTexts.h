#pragma once

// The attempts window's own texts, and those of the menu that opens it.
namespace mireval::ui::texts {

inline constexpr char kAttemptsMenu[] = "&Intentos";
inline constexpr char kAttemptsItem[] = "&Intentos de acceso...";
inline constexpr char kAttemptsPrompt[] =
    "Mostrar los intentos de acceso en las puertas, los más recientes primero, con filtros";
inline constexpr char kStudentAttemptsItem[] = "Intentos de &este alumno...";
inline constexpr char kStudentAttemptsPrompt[] =
    "Mostrar los intentos de acceso del alumno que muestra el formulario";

inline constexpr char kAttemptsCaption[] = "Intentos de acceso";
inline constexpr char kDniLabel[] = "D&NI:";
inline constexpr char kDniName[] = "DNI";
inline constexpr char kDniDescription[] =
    "Los ocho caracteres leídos de la tarjeta; vacío para todos los alumnos";
inline constexpr char kDoorLabel[] = "&Puerta:";
inline constexpr char kDoorName[] = "Puerta";
inline constexpr char kOutcomeLabel[] = "&Resultado:";
inline constexpr char kOutcomeName[] = "Resultado";
inline constexpr char kFromLabel[] = "&Desde:";
inline constexpr char kFromName[] = "Desde el día";
inline constexpr char kToLabel[] = "&Hasta:";
inline constexpr char kToName[] = "Hasta el día";
inline constexpr char kDayPlaceholder[] = "DD/MM/AAAA";
inline constexpr char kDayDescription[] = "Un día como DD/MM/AAAA, incluido; vacío sin límite";
inline constexpr char kSearchButton[] = "&Buscar";
inline constexpr char kClearButton[] = "&Limpiar filtros";
inline constexpr char kListLabel[] = "Intent&os, los más recientes primero:";
inline constexpr char kListName[] = "Intentos de acceso";
inline constexpr char kNewerButton[] = "< Más recien&tes";
inline constexpr char kNewerName[] = "Más recientes";
inline constexpr char kOlderButton[] = "Más &antiguos >";
inline constexpr char kOlderName[] = "Más antiguos";
inline constexpr char kCloseButton[] = "C&errar";
inline constexpr char kSummaryName[] = "Página mostrada";

}  // namespace mireval::ui::texts
