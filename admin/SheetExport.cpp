#include "SheetExport.h"

#include <optional>

#include "CsvWriter.h"
#include "Days.h"
#include "StudentSheet.h"

namespace admin {

namespace {

constexpr std::size_t kPage = 2000;

}  // namespace

std::size_t ExportStudents(accessdb::SiteTables& tables,
                           const std::map<std::string, std::string>& horarios, std::ostream& out) {
    out << StudentSheetHeader();
    std::size_t count = 0;
    accessdb::Transaction snapshot(tables.Transactions(), accessdb::TransactionKind::Read);
    std::optional<std::int64_t> after;
    for (;;) {
        const auto page = tables.StudentsAfter(after, kPage);
        for (const auto& student : page) {
            const auto horario = horarios.find(student.dni);
            out << StudentSheetLine(student,
                                    horario == horarios.end() ? std::string() : horario->second);
        }
        count += page.size();
        if (page.size() < kPage) {
            return count;
        }
        after = std::stoll(page.back().dni);
    }
}

std::size_t ExportAccesses(accessdb::AdminTables& tables, const std::string& from,
                           const std::string& to, std::ostream& out) {
    out << CsvLine({"DNI", "Fecha", "Hora", "Puerta"});
    std::size_t count = 0;
    tables.ForEachAccess(from, to, [&](const accessdb::AccessRecord& access) {
        out << CsvLine({access.dni, SheetDate(access.fecha), access.hora, access.puerta});
        ++count;
    });
    return count;
}

std::string AttemptSheetHeader() {
    return CsvLine({"DNI", "Fecha", "Hora", "Puerta", "Puesto", "Resultado", "Motivo"});
}

std::string AttemptSheetLine(const accessdb::AttemptRecord& attempt) {
    return CsvLine({attempt.dni, SheetDate(attempt.fecha), attempt.hora, attempt.puerta,
                    attempt.puesto, attempt.resultado, attempt.motivo});
}

std::size_t ExportAttempts(accessdb::AdminTables& tables, const std::string& from,
                           const std::string& to, std::ostream& out) {
    out << AttemptSheetHeader();
    std::size_t count = 0;
    tables.ForEachAttempt(from, to, [&](const accessdb::AttemptRecord& attempt) {
        out << AttemptSheetLine(attempt);
        ++count;
    });
    return count;
}

}  // namespace admin
