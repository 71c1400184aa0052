#include "AttemptRows.h"

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

}  // namespace

AttemptCells CellsOf(const accessdb::PositionedAttempt& attempt) {
    const accessdb::AttemptRecord& a = attempt.attempt;
    return {ShownDay(attempt), a.hora, a.dni, a.puerta, a.puesto, a.resultado, a.motivo};
}

std::string SpokenRow(const accessdb::PositionedAttempt& attempt) {
    const AttemptCells cells = CellsOf(attempt);
    std::string spoken = cells[0] + " " + cells[1] + ", DNI " + cells[2] + ", puerta " + cells[3] +
                         ", puesto " + cells[4] + ": " + cells[5];
    if (!cells[6].empty()) {
        spoken += ", " + cells[6];
    }
    return spoken;
}

}  // namespace mireval
