#pragma once

#include <cstddef>
#include <string>

#include "AttemptListing.h"
#include "NullColumns.h"
#include "Records.h"
#include "SqlSession.h"

// The tables' columns, listed once for every statement that reads or writes whole rows.
namespace accessdb {

// Alumnos, in the table's order.
inline constexpr const char* kStudentColumns =
    "DNI, Nombre, Apellido1, Apellido2, Puerta, Agosto, Fin_de_semana, Periodo_temporal, FechaA, "
    "FechaB";
// "Nombre = ?, ..., FechaB = ?": the nine columns after DNI, for an update.
extern const std::string kStudentAssignments;
// Picadas' own columns (its order of writing is the engine's: SqlSession::AccessOrder).
inline constexpr const char* kAccessColumns = "DNI, Fecha, Hora, Puerta";
// Intentos, with its order of writing first and its day last.
inline constexpr const char* kAttemptColumns =
    "Orden, DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo, Dia";
inline constexpr const char* kAttemptWrittenColumns =
    "DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo";
// Puestos, the columns a station writes after its name.
inline constexpr const char* kStationColumns =
    "Nombre, Usuario, Ultimo_contacto, Sin_servidor_desde, Pendientes, Copia_de";

// One student row, and which of its columns held NULL. Read as a StudentRecord, a NULL is the
// empty text, as the programs read it.
struct StoredStudent : StudentRecord {
    NullColumns nulls{};
};

// One access row with its place in the order written (rowid on the file, the identity column
// on a server); positions differ between databases, the order does not.
struct PositionedAccess {
    std::int64_t position = 0;
    AccessRecord access;
    NullColumns nulls{};  // of the access's columns
};

// "(?, ?), (?, ?)" for `rows` rows of `columns` parameters: one statement for a whole page
// keeps a copy of a million rows on a server from costing a million round trips.
std::string ValueRows(std::size_t rows, std::size_t columns);

// A record's values for its table's columns, from column `from` on: NULL where `nulls` marks.
SqlValues StudentValues(const StudentRecord& student, const NullColumns& nulls = {},
                        std::size_t from = 0);
SqlValues AccessValues(const AccessRecord& access, const NullColumns& nulls = {});
SqlValues AttemptValues(const AttemptRecord& attempt, const NullColumns& nulls = {});

// A student read with kStudentColumns from column `first` on; its DNI as eight digits. A DNI
// the table holds as something other than a number fails with kStoredDniNotANumber.
StoredStudent ReadStudent(const SqlRows& row, int first = 0);
// An access read with the order column and kAccessColumns; an access without a DNI (a row
// the shell left) is read as it stands, NULL marked.
PositionedAccess ReadAccess(const SqlRows& row);
// A row of Intentos read with kAttemptColumns.
PositionedAttempt ReadAttempt(const SqlRows& row);

}  // namespace accessdb
