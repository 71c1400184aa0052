#include "StudentSheet.h"

#include <algorithm>
#include <map>
#include <optional>

#include "CsvReader.h"
#include "CsvWriter.h"
#include "StudentFields.h"
#include "TextDecoding.h"

namespace admin {

namespace {

constexpr std::size_t kMissing = static_cast<std::size_t>(-1);
constexpr std::size_t kRequiredColumns = 3;  // DNI, Nombre, Apellido1

std::string ColumnKey(std::string_view name) {
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) {
        name.remove_prefix(1);
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
        name.remove_suffix(1);
    }
    std::string key;
    for (const char c : name) {
        key += c == ' ' ? '_' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return key;
}

std::string Joined(const std::vector<std::string_view>& names) {
    std::string text;
    for (const auto name : names) {
        text += (text.empty() ? "" : ", ") + std::string(name);
    }
    return text;
}

std::string ColumnList() {
    return Joined(std::vector<std::string_view>(kStudentColumns.begin(), kStudentColumns.end()));
}

std::string Quoted(std::string_view text) { return "«" + std::string(text) + "»"; }

bool IsBlankField(std::string_view field) {
    return field.find_first_not_of(" \t") == std::string_view::npos;
}

// Where each of the ten columns stands in the file's rows. Columns the header leaves unnamed
// (spreadsheets save empty ones right of the last, once a cell there was touched) belong to no
// column of the table: a row may leave them out, or empty, but holds nothing there.
struct Layout {
    std::array<std::size_t, kStudentColumns.size()> position{};
    std::vector<std::size_t> unnamed;
    std::size_t timetable = kMissing;  // Horario
    std::size_t width = 0;             // the header's fields, named or not
    std::size_t namedWidth = 0;        // up to the last named one: what a row must have
};

std::optional<Layout> ReadHeader(const CsvRecord& header, bool everyColumnRequired,
                                 std::vector<RowFault>& faults) {
    const std::size_t before = faults.size();
    Layout layout;
    layout.position.fill(kMissing);
    layout.width = header.fields.size();
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string key = ColumnKey(header.fields[i]);
        if (key.empty()) {
            layout.unnamed.push_back(i);
            continue;
        }
        layout.namedWidth = i + 1;
        if (key == ColumnKey(kTimetableColumn)) {
            if (layout.timetable != kMissing) {
                faults.push_back({header.line,
                                  {},
                                  Quoted(header.fields[i]) +
                                      " repite la columna Horario, ya "
                                      "nombrada en la columna " +
                                      std::to_string(layout.timetable + 1),
                                  i + 1,
                                  {}});
            }
            layout.timetable = i;
            continue;
        }
        const auto known =
            std::find_if(kStudentColumns.begin(), kStudentColumns.end(),
                         [&](std::string_view name) { return ColumnKey(name) == key; });
        if (known == kStudentColumns.end()) {
            faults.push_back({header.line,
                              {},
                              "la cabecera nombra " + Quoted(header.fields[i]) +
                                  ", una columna que no existe; las columnas son " + ColumnList() +
                                  " y, si se quiere, Horario",
                              i + 1,
                              {}});
            continue;
        }
        std::size_t& position = layout.position[known - kStudentColumns.begin()];
        if (position != kMissing) {
            faults.push_back({header.line,
                              {},
                              Quoted(header.fields[i]) + " repite la columna " +
                                  std::string(*known) + ", ya nombrada en la columna " +
                                  std::to_string(position + 1),
                              i + 1,
                              {}});
            continue;
        }
        position = i;
    }
    std::vector<std::string_view> missing;
    for (std::size_t column = 0; column < kStudentColumns.size(); ++column) {
        if (layout.position[column] == kMissing &&
            (column < kRequiredColumns || everyColumnRequired)) {
            missing.push_back(kStudentColumns[column]);
        }
    }
    if (!missing.empty()) {
        faults.push_back({header.line,
                          {},
                          "a la cabecera le faltan las columnas " + Joined(missing) +
                              (everyColumnRequired ? " (--update reemplaza las diez columnas "
                                                     "de cada alumno: nómbrelas todas)"
                                                   : "") +
                              "; la primera línea debe ser la cabecera: " + ColumnList(),
                          0,
                          {}});
    }
    return faults.size() == before ? std::optional<Layout>(layout) : std::nullopt;
}

bool IsBlank(const CsvRecord& record) {
    return std::all_of(record.fields.begin(), record.fields.end(),
                       [](const std::string& field) { return IsBlankField(field); });
}

// The row's fields by column, checked; every fault of the row is told, not only the first.
std::optional<accessdb::StudentRecord> ReadRow(const CsvRecord& record, const Layout& layout,
                                               char separator, std::vector<RowFault>& faults,
                                               std::string& horario) {
    const std::size_t count = record.fields.size();
    const bool extraFilled =
        count > layout.width &&
        std::any_of(record.fields.begin() + static_cast<std::ptrdiff_t>(layout.width),
                    record.fields.end(), [](const std::string& f) { return !f.empty(); });
    if (count < layout.namedWidth || extraFilled) {
        faults.push_back(
            {record.line,
             {},
             "la fila tiene " + std::to_string(count) + " campos y la cabecera " +
                 std::to_string(extraFilled ? layout.width : layout.namedWidth) +
                 (separator == ',' ? " (un campo con comas, como las puertas 1,3, va entre "
                                     "comillas; o separe los campos con ;)"
                                   : ""),
             0,
             "la fila no tiene los campos de la cabecera"});
        return std::nullopt;
    }
    auto field = [&](std::size_t column) -> std::string_view {
        const std::size_t position = layout.position[column];
        return position == kMissing ? std::string_view()
                                    : std::string_view(record.fields[position]);
    };
    const std::size_t before = faults.size();
    auto take = [&](std::size_t column, const CheckedField& checked) {
        if (!checked.fault.empty()) {
            faults.push_back({record.line, std::string(kStudentColumns[column]), checked.fault, 0,
                              checked.reason});
        }
        return checked.value;
    };
    accessdb::StudentRecord student;
    student.dni = take(0, CheckDni(field(0)));
    student.nombre = take(1, CheckName(field(1)));
    student.apellido1 = take(2, CheckName(field(2)));
    student.apellido2 = take(3, CheckName(field(3)));
    student.puerta = take(4, CheckDoors(field(4)));
    student.agosto = take(5, CheckFlag(field(5)));
    student.finDeSemana = take(6, CheckFlag(field(6)));
    student.periodoTemporal = take(7, CheckFlag(field(7)));
    student.fechaA = take(8, CheckRestrictionDate(field(8)));
    student.fechaB = take(9, CheckRestrictionDate(field(9)));
    if (layout.timetable != kMissing) {
        std::string_view name = record.fields[layout.timetable];
        const auto first = name.find_first_not_of(" \t");
        name = first == std::string_view::npos
                   ? std::string_view()
                   : name.substr(first, name.find_last_not_of(" \t") - first + 1);
        horario = std::string(name);
    }
    for (const std::size_t position : layout.unnamed) {
        if (position < count && !IsBlankField(record.fields[position])) {
            faults.push_back({record.line,
                              {},
                              Quoted(record.fields[position]) +
                                  " está en una columna que la cabecera no nombra: bórrelo, o "
                                  "nombre la columna en la cabecera como una de estas: " +
                                  ColumnList(),
                              position + 1,
                              "un valor en una columna que la cabecera no nombra"});
        }
    }
    if (faults.size() != before) {
        return std::nullopt;
    }
    if (const auto period = CheckPeriod(student)) {
        faults.push_back({record.line, period->field, period->text, 0, period->reason});
        return std::nullopt;
    }
    return student;
}

}  // namespace

StudentSheet ReadStudentSheet(std::string_view bytes, bool everyColumnRequired) {
    StudentSheet sheet;
    const DecodeResult decoded = DecodeText(bytes);
    if (decoded.fault) {
        sheet.faults.push_back({decoded.fault->line, {}, decoded.fault->reason, 0, {}});
        return sheet;
    }
    const CsvTable table = ReadCsv(decoded.text->utf8);
    for (const CsvFault& fault : table.faults) {
        sheet.faults.push_back({fault.line, {}, fault.text, 0, {}});
    }
    auto record = std::find_if(table.records.begin(), table.records.end(),
                               [](const CsvRecord& r) { return !IsBlank(r); });
    if (record == table.records.end()) {
        if (sheet.faults.empty()) {
            sheet.faults.push_back(
                {0,
                 {},
                 "el archivo está vacío: no tiene ni la cabecera (" + ColumnList() + ")",
                 0,
                 {}});
        }
        return sheet;
    }
    const auto layout = ReadHeader(*record, everyColumnRequired, sheet.faults);
    if (!layout) {
        return sheet;
    }
    sheet.hasTimetables = layout->timetable != kMissing;
    std::map<std::string, std::size_t> firstLine;
    for (++record; record != table.records.end(); ++record) {
        if (IsBlank(*record)) {
            continue;
        }
        std::string horario;
        auto student = ReadRow(*record, *layout, table.separator, sheet.faults, horario);
        // A DNI seen before is refused even when that earlier row was refused for another
        // field: which of the two rows is right is for the school to say.
        const std::size_t dniAt = layout->position[0];
        const CheckedField dni =
            dniAt < record->fields.size() ? CheckDni(record->fields[dniAt]) : CheckedField{};
        if (!dni.value.empty()) {
            const auto [first, isNew] = firstLine.emplace(dni.value, record->line);
            if (!isNew) {
                sheet.faults.push_back({record->line, "DNI",
                                        "el DNI " + dni.value + " ya está en la línea " +
                                            std::to_string(first->second),
                                        0, "el DNI ya está en otra línea de la hoja"});
                continue;
            }
        }
        if (student) {
            sheet.rows.push_back({record->line, std::move(*student), std::move(horario)});
        }
    }
    std::stable_sort(sheet.faults.begin(), sheet.faults.end(),
                     [](const RowFault& a, const RowFault& b) { return a.line < b.line; });
    return sheet;
}

std::string StudentSheetHeader() {
    std::vector<std::string> names(kStudentColumns.begin(), kStudentColumns.end());
    names.emplace_back(kTimetableColumn);
    return CsvLine(names);
}

std::string StudentSheetLine(const accessdb::StudentRecord& s, const std::string& horario) {
    return CsvLine({s.dni, s.nombre, s.apellido1, s.apellido2, s.puerta, s.agosto, s.finDeSemana,
                    s.periodoTemporal, s.fechaA, s.fechaB, horario});
}

}  // namespace admin
