#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "accessdb/Records.h"

namespace admin {

// The sheet of students that `import` reads and `export students` writes: a header line naming
// the columns, as the table names them, then one student per line.
inline constexpr std::array<std::string_view, 10> kStudentColumns = {
    "DNI",    "Nombre",        "Apellido1",        "Apellido2", "Puerta",
    "Agosto", "Fin_de_semana", "Periodo_temporal", "FechaA",    "FechaB"};
// An eleventh column, never required: the name of the student's timetable, empty for none.
// Whether the name exists is for the database to say (the import checks it by line).
inline constexpr std::string_view kTimetableColumn = "Horario";

// A refused line: where (line 0 is the file as a whole), which column (empty for the whole row)
// and why, in words the person who filled the sheet can act on. A column the header does not
// name, or names wrongly, is told by its position instead.
struct RowFault {
    std::size_t line = 0;
    std::string field;
    std::string text;
    std::size_t column = 0;  // counted from 1; 0 when the fault is not about one position
    // The fault without this row's own values, which rows refused alike share ("no es una
    // puerta"); empty when the text itself is that.
    std::string reason;
};

struct SheetRow {
    std::size_t line = 0;
    accessdb::StudentRecord student;  // as it will be stored
    std::string horario;              // the Horario column, blanks trimmed; empty for none
};

struct StudentSheet {
    std::vector<SheetRow> rows;    // the good rows, in the file's order
    std::vector<RowFault> faults;  // every refused row, by line
    bool hasTimetables = false;    // the header names Horario: each row sets its timetable
};

// What a sheet must name: DNI, Nombre and Apellido1 always, the other columns (in any order,
// any letter case) may be left out and take what a new student gets, unless every column is
// required (an update replaces all of them).
StudentSheet ReadStudentSheet(std::string_view bytes, bool everyColumnRequired);

// The header line and one student's line as `export students` writes them (";", UTF-8), the
// student's timetable last.
std::string StudentSheetHeader();
std::string StudentSheetLine(const accessdb::StudentRecord& student,
                             const std::string& horario = {});

}  // namespace admin
