#include "StudentTimetables.h"

#include <algorithm>

#include "accessdb/Transaction.h"

namespace admin {

namespace {

std::string NameList(const std::set<std::string>& names) {
    if (names.empty()) {
        return "no hay ninguno: créelos antes en Mireval";
    }
    std::string text = "los horarios son ";
    std::size_t i = 0;
    for (const std::string& name : names) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " y " : ", ") + ("«" + name + "»");
        ++i;
    }
    return text;
}

}  // namespace

void RefuseUnknownTimetables(StudentSheet& sheet, const std::set<std::string>& names) {
    if (!sheet.hasTimetables) {
        return;
    }
    std::vector<SheetRow> good;
    for (SheetRow& row : sheet.rows) {
        if (row.horario.empty() || names.contains(row.horario)) {
            good.push_back(std::move(row));
            continue;
        }
        sheet.faults.push_back({row.line, std::string(kTimetableColumn),
                                "no hay ningún horario «" + row.horario + "»; " + NameList(names),
                                0, "el horario no existe"});
    }
    sheet.rows = std::move(good);
    std::stable_sort(sheet.faults.begin(), sheet.faults.end(),
                     [](const RowFault& a, const RowFault& b) { return a.line < b.line; });
}

std::size_t WriteStudentTimetables(accessdb::TimetableStore& store, const StudentSheet& sheet,
                                   const std::vector<accessdb::StudentRecord>& written,
                                   accessdb::TransactionControl& transactions) {
    if (!sheet.hasTimetables) {
        return 0;
    }
    std::map<std::string, std::string> wanted;
    for (const SheetRow& row : sheet.rows) {
        wanted.emplace(row.student.dni, row.horario);
    }
    std::size_t assigned = 0;
    accessdb::Transaction change(transactions, accessdb::TransactionKind::Write);
    for (const accessdb::StudentRecord& student : written) {
        const auto found = wanted.find(student.dni);
        if (found == wanted.end()) {
            continue;
        }
        if (found->second.empty()) {
            store.UnassignStudent(student.dni);
        } else {
            store.AssignStudent(student.dni, found->second);
            ++assigned;
        }
    }
    change.Commit();
    return assigned;
}

}  // namespace admin
