#include "AttemptRows.h"

#include "accessdb/Records.h"

namespace mireval {

namespace {

// "2024-03-05" as "05/03/2024".
std::string ShownDay(const accessdb::PositionedAttempt& attempt) {
    const std::string& day = attempt.day;
    if (day.size() != 10) {
        return attempt.attempt.fecha;
    }
    return day.substr(8, 2) + "/" + day.substr(5, 2) + "/" + day.substr(0, 4);
}

std::string_view SignOf(OutcomeMark mark) {
    switch (mark) {
        case OutcomeMark::Granted:
            return "✔ ";
        case OutcomeMark::Denied:
            return "✖ ";
        case OutcomeMark::Unregistered:
            return "? ";
        case OutcomeMark::Error:
            return "⚠ ";
        case OutcomeMark::Other:
            break;
    }
    return "";
}

constexpr std::array kOrders{
    OrderChoice{"Fecha, los más recientes primero", accessdb::AttemptOrder::Day, true},
    OrderChoice{"Fecha, los más antiguos primero", accessdb::AttemptOrder::Day, false},
    OrderChoice{"DNI, de menor a mayor", accessdb::AttemptOrder::Dni, false},
    OrderChoice{"DNI, de mayor a menor", accessdb::AttemptOrder::Dni, true},
    OrderChoice{"Resultado, de la A a la Z", accessdb::AttemptOrder::Outcome, false},
    OrderChoice{"Resultado, de la Z a la A", accessdb::AttemptOrder::Outcome, true},
};

}  // namespace

std::span<const OrderChoice> OrderChoices() { return kOrders; }

OutcomeMark MarkOf(std::string_view resultado) {
    if (resultado == accessdb::kOutcomeGranted) {
        return OutcomeMark::Granted;
    }
    if (resultado == accessdb::kOutcomeDenied) {
        return OutcomeMark::Denied;
    }
    if (resultado == accessdb::kOutcomeUnregistered) {
        return OutcomeMark::Unregistered;
    }
    if (resultado == accessdb::kOutcomeError) {
        return OutcomeMark::Error;
    }
    return OutcomeMark::Other;
}

AttemptCells CellsOf(const accessdb::PositionedAttempt& attempt) {
    const accessdb::AttemptRecord& a = attempt.attempt;
    return {ShownDay(attempt),
            a.hora,
            a.dni,
            attempt.student,
            a.puerta,
            a.puesto,
            std::string(SignOf(MarkOf(a.resultado))) + a.resultado,
            a.motivo};
}

std::string SpokenRow(const accessdb::PositionedAttempt& attempt) {
    const accessdb::AttemptRecord& a = attempt.attempt;
    std::string spoken = ShownDay(attempt) + " " + a.hora + ", DNI " + a.dni;
    if (!attempt.student.empty()) {
        spoken += " (" + attempt.student + ")";
    }
    spoken += ", puerta " + a.puerta + ", puesto " + a.puesto + ": " + a.resultado;
    if (!a.motivo.empty()) {
        spoken += ", " + a.motivo;
    }
    return spoken;
}

std::optional<accessdb::AttemptOrder> OrderOfColumn(std::size_t column) {
    switch (column) {
        case 0:
            return accessdb::AttemptOrder::Day;
        case 2:
            return accessdb::AttemptOrder::Dni;
        case kOutcomeColumn:
            return accessdb::AttemptOrder::Outcome;
        default:
            return std::nullopt;
    }
}

std::size_t ColumnOfOrder(accessdb::AttemptOrder order) {
    switch (order) {
        case accessdb::AttemptOrder::Dni:
            return 2;
        case accessdb::AttemptOrder::Outcome:
            return kOutcomeColumn;
        case accessdb::AttemptOrder::Day:
        case accessdb::AttemptOrder::Written:
            break;
    }
    return 0;
}

}  // namespace mireval
