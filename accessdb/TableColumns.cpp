#include "TableColumns.h"

#include "DatabaseError.h"
#include "Encodings.h"

namespace accessdb {

namespace {

std::string Assignments() {
    std::string assignments;
    std::string_view rest = kStudentColumns;
    rest.remove_prefix(rest.find(", ") + 2);  // every column after DNI
    while (!rest.empty()) {
        const std::size_t comma = rest.find(", ");
        assignments +=
            (assignments.empty() ? "" : ", ") + std::string(rest.substr(0, comma)) + " = ?";
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 2);
    }
    return assignments;
}

template <typename Record>
SqlValues ValuesOf(const Record& record, const NullColumns& nulls, std::size_t from) {
    SqlValues values;
    const auto texts = TextColumns(record);
    for (std::size_t column = from; column < texts.size(); ++column) {
        values.push_back(nulls.Has(column) ? SqlValue::Null() : SqlValue(*texts[column]));
    }
    return values;
}

// Columns `first` to `last` of the row that are NULL, marked from `mark` on.
NullColumns NullsOf(const SqlRows& row, int first, int last, std::size_t mark) {
    NullColumns nulls;
    for (int column = first; column <= last; ++column, ++mark) {
        if (row.IsNull(column)) {
            nulls.Mark(mark);
        }
    }
    return nulls;
}

// A key stored as text (a spreadsheet import, a shell) would be read as another student.
[[noreturn]] void DniNotANumber(const char* table, const SqlRows& row, int column) {
    throw DatabaseError(kStoredDniNotANumber,
                        std::string("La tabla ") + table + " guarda el DNI \"" + row.Text(column) +
                            "\" como texto y no como número. Corrija esa fila antes de copiar la "
                            "base de datos.");
}

}  // namespace

const std::string kStudentAssignments = Assignments();

std::string ValueRows(std::size_t rows, std::size_t columns) {
    std::string row = "(";
    for (std::size_t c = 0; c < columns; ++c) {
        row += c == 0 ? "?" : ", ?";
    }
    row += ")";
    std::string sql;
    for (std::size_t r = 0; r < rows; ++r) {
        sql += (r == 0 ? "" : ", ") + row;
    }
    return sql;
}

SqlValues StudentValues(const StudentRecord& student, const NullColumns& nulls, std::size_t from) {
    SqlValues values;
    if (from == 0) {
        // The key is a number on both engines, never a text.
        values.emplace_back(static_cast<std::int64_t>(std::stoll(student.dni)));
        from = 1;
    }
    for (SqlValue& value : ValuesOf(student, nulls, from)) {
        values.push_back(std::move(value));
    }
    return values;
}

SqlValues AccessValues(const AccessRecord& access, const NullColumns& nulls) {
    SqlValues values{nulls.Has(0) ? SqlValue::Null()
                                  : SqlValue(static_cast<std::int64_t>(std::stoll(access.dni)))};
    for (SqlValue& value : ValuesOf(access, nulls, 1)) {
        values.push_back(std::move(value));
    }
    return values;
}

SqlValues AttemptValues(const AttemptRecord& attempt, const NullColumns& nulls) {
    return ValuesOf(attempt, nulls, 0);
}

StoredStudent ReadStudent(const SqlRows& row, int first) {
    if (!row.IsInteger(first)) {
        DniNotANumber("Alumnos", row, first);
    }
    const auto text = [&](int column) { return row.Text(first + column); };
    return {{FormatDni(row.Integer(first)), text(1), text(2), text(3), text(4), text(5), text(6),
             text(7), text(8), text(9)},
            NullsOf(row, first + 1, first + 9, 1)};
}

PositionedAccess ReadAccess(const SqlRows& row) {
    const bool noDni = row.IsNull(1);
    if (!noDni && !row.IsInteger(1)) {
        DniNotANumber("Picadas", row, 1);
    }
    PositionedAccess access{
        row.Integer(0),
        {noDni ? std::string() : FormatDni(row.Integer(1)), row.Text(2), row.Text(3), row.Text(4)},
        NullsOf(row, 2, 4, 1)};
    if (noDni) {
        access.nulls.Mark(0);
    }
    return access;
}

PositionedAttempt ReadAttempt(const SqlRows& row) {
    return {
        row.Integer(0),
        row.Text(8),
        {row.Text(1), row.Text(2), row.Text(3), row.Text(4), row.Text(5), row.Text(6), row.Text(7)},
        NullsOf(row, 1, 7, 0)};
}

}  // namespace accessdb
