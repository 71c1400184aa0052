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
inline constexpr char kFromCalendarName[] = "Elegir el día Desde en un calendario";
inline constexpr char kToCalendarName[] = "Elegir el día Hasta en un calendario";
inline constexpr char kCalendarButton[] = "…";
inline constexpr char kTodayButton[] = "Ho&y";
inline constexpr char kWeekButton[] = "Últimos &7 días";
inline constexpr char kMonthButton[] = "Últimos &30 días";
inline constexpr char kSearchButton[] = "&Buscar";
inline constexpr char kClearButton[] = "&Limpiar filtros";
inline constexpr char kOrderLabel[] = "&Clasificar por:";
inline constexpr char kOrderName[] = "Clasificar por";
inline constexpr char kExportButton[] = "E&xportar…";
inline constexpr char kExportName[] = "Exportar";
inline constexpr char kExportCaption[] = "Exportar los intentos";
inline constexpr char kExportFilter[] = "Hojas CSV (*.csv);;Todos los archivos (*)";
inline constexpr char kExportDefaultName[] = "intentos.csv";
inline constexpr char kViewsName[] = "Vistas de los intentos";
inline constexpr char kListTab[] = "Lis&ta";
inline constexpr char kChartTab[] = "&Gráfico por día";
inline constexpr char kListLabel[] = "Intent&os:";
inline constexpr char kListName[] = "Intentos de acceso";
inline constexpr char kHeaderSortHint[] = "Pulse para ordenar por esta columna";
inline constexpr char kDetailLabel[] = "Detalle del intento (moti&vo completo):";
inline constexpr char kDetailName[] = "Detalle del intento seleccionado";
inline constexpr char kFirstButton[] = "|< Pr&imera";
inline constexpr char kFirstName[] = "Primera página";
inline constexpr char kPreviousButton[] = "< &Anteriores";
inline constexpr char kPreviousName[] = "Página anterior";
inline constexpr char kNextButton[] = "&Siguientes >";
inline constexpr char kNextName[] = "Página siguiente";
inline constexpr char kLastButton[] = "Últi&ma >|";
inline constexpr char kLastName[] = "Última página";
inline constexpr char kCloseButton[] = "C&errar";
inline constexpr char kSummaryName[] = "Página mostrada";
inline constexpr char kChartTitle[] = "Intentos por día y resultado";
inline constexpr char kChartName[] = "Gráfico de intentos por día y resultado";
inline constexpr char kCountsCaption[] = "Intentos por resultado:";
inline constexpr char kNotListed[] =
    "No se pudieron leer los intentos: pulse \"Buscar\" para intentarlo de nuevo.";
inline constexpr char kFormBusy[] =
    "El formulario está ocupado (se está editando un alumno): termine o cancele la edición para "
    "ver este alumno.";
inline constexpr char kNoStudentOpener[] = "Este DNI no se puede mostrar en el formulario.";

}  // namespace mireval::ui::texts
