#include "StudentImport.h"

#include <algorithm>
#include <optional>

#include "accessdb/DatabaseError.h"

namespace admin {

namespace {

constexpr std::size_t kPage = 2000;
constexpr std::size_t kStretchesTold = 6;

std::string RowStretches(const std::vector<SheetRow>& rows) {
    std::vector<std::size_t> lines;
    for (const SheetRow& row : rows) {
        lines.push_back(row.line);
    }
    return LineStretches(lines);
}

// What finishes the import once the fault is mended: the students written stay, and a rerun
// would refuse them as registered unless told to leave them out or to replace them.
std::string FinishingHint(std::size_t written, bool update) {
    if (written == 0) {
        return {};
    }
    return update ? " Para terminar, ejecute de nuevo la misma importación."
                  : " Para terminar, ejecute de nuevo la importación con --skip-bad: añade los "
                    "que faltan y deja como están los ya guardados.";
}

}  // namespace

std::set<std::int64_t> RegisteredAmong(accessdb::SiteTables& tables, const StudentSheet& sheet) {
    std::set<std::int64_t> wanted;
    for (const SheetRow& row : sheet.rows) {
        wanted.insert(std::stoll(row.student.dni));
    }
    std::set<std::int64_t> registered;
    if (wanted.empty()) {
        return registered;
    }
    // One pass over the table by DNI: cheaper than a lookup per row, and memory follows the
    // sheet, not the table.
    accessdb::Transaction snapshot(tables.Transactions(), accessdb::TransactionKind::Read);
    std::optional<std::int64_t> after;
    for (;;) {
        const auto page = tables.StudentsAfter(after, kPage);
        for (const auto& student : page) {
            const std::int64_t dni = std::stoll(student.dni);
            if (wanted.contains(dni)) {
                registered.insert(dni);
            }
        }
        if (page.size() < kPage) {
            return registered;
        }
        after = std::stoll(page.back().dni);
    }
}

ImportPlan PlanImport(const StudentSheet& sheet, const std::set<std::int64_t>& registered,
                      bool update) {
    ImportPlan plan;
    plan.faults = sheet.faults;
    for (const SheetRow& row : sheet.rows) {
        const bool exists = registered.contains(std::stoll(row.student.dni));
        if (exists && !update) {
            plan.registered.push_back(row);
            continue;
        }
        ++(exists ? plan.updated : plan.added);
        plan.students.push_back(row.student);
    }
    std::stable_sort(plan.faults.begin(), plan.faults.end(),
                     [](const RowFault& a, const RowFault& b) { return a.line < b.line; });
    return plan;
}

std::string LineStretches(const std::vector<std::size_t>& lines) {
    std::string text = lines.size() == 1 ? "línea " : "líneas ";
    std::size_t stretches = 0;
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end] == lines[end - 1] + 1) {
            ++end;
        }
        if (stretches == kStretchesTold) {
            const std::size_t others = lines.size() - i;
            return text + " y " + (others == 1 ? "otra" : "otras " + std::to_string(others));
        }
        text += (stretches > 0 ? ", " : "") + std::to_string(lines[i]);
        if (end - i > 1) {
            text += " a " + std::to_string(lines[end - 1]);
        }
        ++stretches;
        i = end;
    }
    return text;
}

std::string AlreadyRegisteredText(const std::vector<SheetRow>& registered, bool skipBad) {
    const std::string who = registered.size() == 1
                                ? "el alumno " + registered[0].student.dni + " de la " +
                                      RowStretches(registered) +
                                      (skipBad ? " ya estaba registrado" : " ya está registrado")
                                : std::to_string(registered.size()) + " alumnos de la hoja ya " +
                                      (skipBad ? "estaban" : "están") + " registrados (" +
                                      RowStretches(registered) + ")";
    if (skipBad) {
        return who + (registered.size() == 1 ? " y se deja como está" : " y se dejan como están") +
               " (con --update se reemplazan sus datos por los de la hoja).";
    }
    return who +
           ": si una importación anterior se interrumpió, ejecute de nuevo con --skip-bad para "
           "añadir los que faltan (los registrados se dejan como están), o con --update para "
           "reemplazar sus datos por los de la hoja.";
}

void WriteStudents(accessdb::AdminTables& tables,
                   const std::vector<accessdb::StudentRecord>& students, bool update,
                   const ChunkPacing& pacing, Progress& progress) {
    const std::size_t chunk = std::max<std::size_t>(pacing.rows, 1);
    std::size_t written = 0;
    try {
        while (written < students.size()) {
            if (written > 0) {
                pacing.Pause();
            }
            const std::size_t end = std::min(students.size(), written + chunk);
            tables.ImportStudents(std::vector<accessdb::StudentRecord>(
                                      students.begin() + static_cast<std::ptrdiff_t>(written),
                                      students.begin() + static_cast<std::ptrdiff_t>(end)),
                                  update);
            written = end;
            progress.Update(written, students.size());
        }
    } catch (const accessdb::DatabaseError& error) {
        progress.Finish();
        throw accessdb::DatabaseError(error.Code(), error.Description() + " Se guardaron " +
                                                        std::to_string(written) + " de " +
                                                        std::to_string(students.size()) +
                                                        " alumnos antes del fallo; los demás no." +
                                                        FinishingHint(written, update));
    }
    progress.Finish();
}

}  // namespace admin
