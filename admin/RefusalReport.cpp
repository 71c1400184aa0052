#include "RefusalReport.h"

#include <map>
#include <set>

#include "StudentImport.h"

namespace admin {

namespace {

// Rows refused alike share the field, the column and the reason; a fault without a reason of
// its own is alike only to the same text.
std::string ReasonKey(const RowFault& fault) {
    return fault.field + '\n' + std::to_string(fault.column) + '\n' +
           (fault.reason.empty() ? fault.text : fault.reason);
}

std::string Place(const RowFault& fault) {
    std::string place;
    if (fault.line > 0) {
        place += ", línea " + std::to_string(fault.line);
    }
    if (fault.column > 0) {
        place += ", columna " + std::to_string(fault.column);
    }
    if (!fault.field.empty()) {
        place += ", campo " + fault.field;
    }
    return place;
}

// "campo Puerta: no es una puerta", what the counted rows have in common.
std::string SharedReason(const RowFault& fault) {
    std::string what;
    if (fault.column > 0) {
        what += "columna " + std::to_string(fault.column) + ": ";
    }
    if (!fault.field.empty()) {
        what += "campo " + fault.field + ": ";
    }
    return what + (fault.reason.empty() ? fault.text : fault.reason);
}

struct ReasonRows {
    const RowFault* first = nullptr;
    std::vector<std::size_t> lines;  // distinct, in the order met
};

}  // namespace

void TellRefusals(const std::string& file, const std::vector<RowFault>& faults, std::ostream& err) {
    std::map<std::string, ReasonRows> reasons;
    std::vector<const ReasonRows*> order;
    for (const RowFault& fault : faults) {
        ReasonRows& rows = reasons[ReasonKey(fault)];
        if (rows.first == nullptr) {
            rows.first = &fault;
            order.push_back(&rows);
        }
        if (rows.lines.empty() || rows.lines.back() != fault.line) {
            rows.lines.push_back(fault.line);
        }
    }
    std::map<std::string, std::set<std::size_t>> shown;
    for (const RowFault& fault : faults) {
        std::set<std::size_t>& lines = shown[ReasonKey(fault)];
        if (!lines.contains(fault.line) && lines.size() == kRefusalsShownInFull) {
            continue;
        }
        lines.insert(fault.line);
        err << file << Place(fault) << ": " << fault.text << '\n';
    }
    for (const ReasonRows* rows : order) {
        if (rows->lines.size() <= kRefusalsShownInFull) {
            continue;
        }
        const std::vector<std::size_t> others(
            rows->lines.begin() + static_cast<std::ptrdiff_t>(kRefusalsShownInFull),
            rows->lines.end());
        err << file << ": … y "
            << (others.size() == 1 ? "otra fila"
                                   : "otras " + std::to_string(others.size()) + " filas")
            << " con el mismo motivo (" << SharedReason(*rows->first) << "), "
            << LineStretches(others) << ".\n";
    }
}

}  // namespace admin
