#include "AttemptExport.h"

#include <exception>
#include <fstream>
#include <system_error>

#include "accessdb/DatabaseError.h"
#include "admin/SheetExport.h"

namespace mireval {

std::size_t WriteAttemptSheet(AttemptSource& source, const accessdb::AttemptQuery& filters,
                              std::ostream& out) {
    accessdb::AttemptQuery query = filters;
    query.order = accessdb::AttemptOrder::Written;
    query.descending = false;
    query.backward = false;
    query.before.reset();
    query.limit = accessdb::kMaxAttemptPage;
    out << admin::AttemptSheetHeader();
    std::size_t written = 0;
    for (;;) {
        const accessdb::AttemptPage page = source.ListAttempts(query);
        for (const accessdb::PositionedAttempt& row : page.attempts) {
            out << admin::AttemptSheetLine(row.attempt);
        }
        written += page.attempts.size();
        if (!page.next) {
            return written;
        }
        query.before = page.next;
    }
}

std::optional<std::size_t> ExportAttemptSheet(AttemptSource& source,
                                              const accessdb::AttemptQuery& filters,
                                              const std::filesystem::path& file,
                                              std::string& error) {
    std::filesystem::path part = file;
    part += ".parcial";
    try {
        std::size_t written = 0;
        {
            std::ofstream out(part, std::ios::binary | std::ios::trunc);
            if (!out) {
                error = "No se pudo crear el archivo " + part.string() + ".";
                return std::nullopt;
            }
            written = WriteAttemptSheet(source, filters, out);
            out.close();
            if (!out) {
                throw std::runtime_error("No se pudo escribir el archivo " + part.string() +
                                         " (¿disco lleno?).");
            }
        }
        std::filesystem::rename(part, file);
        return written;
    } catch (const accessdb::DatabaseError& failure) {
        error = failure.Description();
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return std::nullopt;
}

}  // namespace mireval
