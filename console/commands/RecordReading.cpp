// Filling the form from a stored student: shared by the search and the cancel of edit mode.
#include <algorithm>
#include <optional>

#include "ControlIds.h"
#include "MessageTexts.h"
#include "RegistrationForm.h"
#include "accessdb/StudentTerms.h"

namespace mireval {

namespace {

bool Offers(const std::vector<std::string>& entries, const std::string& piece) {
    return !piece.empty() && std::find(entries.begin(), entries.end(), piece) != entries.end();
}

std::string HistoryLine(const accessdb::AccessRecord& access) {
    std::string line = access.fecha;
    line.append(texts::kHistorySeparator).append(access.hora).append(texts::kHistorySeparator);
    line.append(texts::kHistoryDoor).append(access.puerta).append(texts::kHistoryLineEnd);
    return line;
}

int CheckState(bool set) { return set ? kChecked : kUnchecked; }

}  // namespace

// A stored date is read by position. A piece that its list does not offer (a date shorter than
// eight characters, or one typed into the file by hand) shows as the blank entry: otherwise
// the list would go on showing whatever date it showed before.
void RegistrationForm::ShowStoredDate(const std::string& stored, std::string& day,
                                      std::string& month, std::string& year) const {
    const accessdb::RestrictionDateParts parts = accessdb::PeriodDate{stored}.Pieces();
    day = Offers(m_lists.days, parts.day) ? parts.day : " ";
    month = Offers(m_lists.months, parts.month) ? parts.month : " ";
    year = Offers(m_lists.endYears, parts.year) ? parts.year : " ";
}

RegistrationForm::RecordFound RegistrationForm::ReadRecord(accessdb::Connection& db,
                                                           bool blankDatesWhenPeriodOff) {
    const std::optional<accessdb::StudentRecord> found = db.FindStudent(m.m_dni);
    if (!found) {
        return RecordFound::NotRegistered;
    }
    const accessdb::StudentTerms student = accessdb::StudentTerms::Read(*found);
    m.m_nombre = student.nombre;
    m.m_apellido1 = student.apellido1;
    m.m_apellido2 = student.apellido2;

    const accessdb::DoorSet doors = student.Doors();
    for (std::size_t door = 0; door < doors.size(); ++door) {
        m_controls.SetCheck(ids::kDoorBoxes[door], CheckState(doors[door]));
        m.m_puertas[door] = doors[door] ? 1 : 0;
    }
    const bool agosto = accessdb::StudentTerms::IsSet(student.august);
    m_controls.SetCheck(ids::kAgosto, CheckState(agosto));
    m.m_agosto = agosto ? 1 : 0;
    const bool finDeSemana = accessdb::StudentTerms::IsSet(student.weekend);
    m_controls.SetCheck(ids::kFinDeSemana, CheckState(finDeSemana));
    m.m_finDeSemana = finDeSemana ? 1 : 0;

    if (accessdb::StudentTerms::IsSet(student.period)) {
        ShowStoredDate(student.from.stored, m.m_diaA, m.m_mesA, m.m_anioA);
        ShowStoredDate(student.to.stored, m.m_diaB, m.m_mesB, m.m_anioB);
        m_controls.SetCheck(ids::kIntervalo, kChecked);
        m.m_periodoTemporal = 1;
    } else {
        m_controls.SetCheck(ids::kIntervalo, kUnchecked);
        m.m_periodoTemporal = 0;
        if (blankDatesWhenPeriodOff) {
            BlankDates();
        }
    }
    m.m_historial.clear();
    const std::vector<accessdb::AccessRecord> accesses = db.ListAccesses(m.m_dni);
    for (const accessdb::AccessRecord& access : accesses) {
        m.m_historial += HistoryLine(access);
    }
    return accesses.empty() ? RecordFound::WithoutHistory : RecordFound::WithHistory;
}

}  // namespace mireval
