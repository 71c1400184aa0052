#include "StudentImport.h"

#include <algorithm>
#include <optional>

#include "ReadSnapshot.h"
#include "accessdb/DatabaseError.h"

namespace admin {

namespace {

constexpr std::size_t kPage = 2000;

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
    ReadSnapshot snapshot(tables);
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
            plan.faults.push_back({row.line, "DNI",
                                   "el alumno " + row.student.dni +
                                       " ya está registrado (con --update se reemplazan sus "
                                       "datos por los de la hoja)"});
            continue;
        }
        ++(exists ? plan.updated : plan.added);
        plan.students.push_back(row.student);
    }
    std::stable_sort(plan.faults.begin(), plan.faults.end(),
                     [](const RowFault& a, const RowFault& b) { return a.line < b.line; });
    return plan;
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
                                                        " alumnos antes del fallo; los demás no.");
    }
    progress.Finish();
}

}  // namespace admin
