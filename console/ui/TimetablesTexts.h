#pragma once

// The timetables window's own texts, and those of the menu item that opens it. Each Alt key is
// taken once in the window.
namespace mireval::ui::texts {

inline constexpr char kTimetablesItem[] = "&Horarios y calendario...";
inline constexpr char kTimetablesPrompt[] =
    "Editar los horarios, los días sin clase del calendario escolar y el horario de cada puerta "
    "y del alumno mostrado";

inline constexpr char kTimetablesCaption[] = "Horarios y calendario";

inline constexpr char kTimetablesGroup[] = "Horarios";
inline constexpr char kTimetableListLabel[] = "&Horarios:";
inline constexpr char kTimetableListName[] = "Horarios";
inline constexpr char kNameLabel[] = "&Nombre:";
inline constexpr char kNameName[] = "Nombre del horario";
inline constexpr char kNameDescription[] =
    "Nombre con el que se guarda el horario, o el nombre nuevo al renombrarlo";
inline constexpr char kWeekDescription[] =
    "Tramos del día separados por comas, como 08:00-14:30, 16:00-18:00; vacío si ese día no hay "
    "acceso";
inline constexpr char kNoSchoolDaysCheck[] = "&Vale también en los días sin clase";
inline constexpr char kNoSchoolDaysName[] = "Vale también en los días sin clase";
inline constexpr char kNewButton[] = "N&uevo";
inline constexpr char kNewName[] = "Nuevo horario";
inline constexpr char kSaveButton[] = "&Guardar";
inline constexpr char kSaveName[] = "Guardar horario";
inline constexpr char kRenameButton[] = "&Renombrar";
inline constexpr char kRenameName[] = "Renombrar horario";
inline constexpr char kRenameDescription[] =
    "Da al horario seleccionado el nombre escrito en Nombre, también en las puertas y los "
    "alumnos que lo usan";
inline constexpr char kDeleteButton[] = "&Borrar...";
inline constexpr char kDeleteName[] = "Borrar horario";

inline constexpr char kCalendarGroup[] = "Días sin clase";
inline constexpr char kCalendarLabel[] = "&Calendario escolar:";
inline constexpr char kCalendarName[] = "Calendario escolar";
inline constexpr char kCalendarDescription[] =
    "Los días sin clase aparecen en negrita; al elegir un día pasa a Desde y Hasta";
inline constexpr char kRangeFromLabel[] = "Des&de:";
inline constexpr char kRangeFromName[] = "Desde";
inline constexpr char kRangeToLabel[] = "Ha&sta:";
inline constexpr char kRangeToName[] = "Hasta";
inline constexpr char kDescriptionLabel[] = "Descri&pción:";
inline constexpr char kDescriptionName[] = "Descripción de los días sin clase";
inline constexpr char kAddRangeButton[] = "&Añadir días sin clase";
inline constexpr char kAddRangeName[] = "Añadir días sin clase";
inline constexpr char kRangesLabel[] = "Días sin c&lase:";
inline constexpr char kRangesName[] = "Días sin clase";
inline constexpr char kRemoveRangeButton[] = "&Quitar";
inline constexpr char kRemoveRangeName[] = "Quitar días sin clase";

inline constexpr char kDoorsGroup[] = "Horario de cada puerta";
inline constexpr char kDoorTimetableLabel[] =
    "Puerta &";  // followed by its digit, the door's Alt key
inline constexpr char kDoorTimetableName[] = "Horario de la puerta ";
inline constexpr char kNoTimetable[] = "(ninguno)";

inline constexpr char kStudentGroup[] = "Alumno del formulario";
inline constexpr char kStudentLabel[] = "Horario del alu&mno:";
inline constexpr char kStudentName[] = "Horario del alumno";
inline constexpr char kNoStudent[] = "El formulario no muestra ningún alumno.";
inline constexpr char kStudentShown[] = "Alumno con DNI ";

inline constexpr char kTimetablesCloseButton[] = "C&errar";

}  // namespace mireval::ui::texts
