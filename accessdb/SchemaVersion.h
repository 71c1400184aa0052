#pragma once

namespace accessdb {

// The version of the tables this program reads and writes, kept in the database (the file's
// user_version, the server's table esquema):
//   1  Alumnos and Picadas (on the file, with the index on Picadas.DNI)
//   2  adds Intentos, every card whose DNI a controller read and what became of it
//   3  adds Anotados, the keys of the records a door station wrote from its journal, so that
//      none is written twice
//   4  adds Puestos, how each door station last was, and Ajustes, the site's settings; on a
//      server also cambios_alumnos, the count of changes to Alumnos that stations' copies go by
//   5  adds the timetables (Horarios and their Tramos), the school calendar's days without
//      school (Calendario), and which timetable a student or a door has (Horarios_alumnos,
//      Horarios_puertas)
// Opening an older database upgrades it once; a newer one is refused (kDatabaseTooNew).
inline constexpr int kSchemaVersion = 5;

}  // namespace accessdb
