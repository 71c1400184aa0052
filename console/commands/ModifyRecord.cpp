// Edit mode: entering it, saving the record, and cancelling with a reload from the file.
#include <optional>

#include "ControlIds.h"
#include "MessageTexts.h"
#include "RegistrationForm.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/Encodings.h"

namespace mireval {

namespace {
std::string FirstTwo(const std::string& piece) { return piece.substr(0, 2); }
}  // namespace

void RegistrationForm::EnterEditMode() {
    m_controls.EnableWindow(ids::kDni, false);
    SetNamesReadOnly(false);
    Enable({ids::kRestrictionsGroup, ids::kFinDeSemana, ids::kAgosto, ids::kIntervalo}, true);
    if (m_controls.GetCheck(ids::kIntervalo) == kUnchecked) {
        EnableAll(ids::kDateLists, false);
    } else if (m_controls.GetCheck(ids::kIntervalo) == kChecked) {
        EnableAll(ids::kDateLists, true);
        Enable({ids::kDiaALabel, ids::kMesALabel, ids::kAnioALabel, ids::kDiaBLabel,
                ids::kMesBLabel, ids::kAnioBLabel, ids::kStartDateGroup, ids::kEndDateGroup},
               true);
    }
    Enable({ids::kNombre, ids::kApellido1, ids::kApellido2, ids::kDoorsGroup}, true);
    EnableAll(ids::kDoorBoxes, true);
    Enable({ids::kDeleteHistory, ids::kDeleteRecord, ids::kClearForm, ids::kSearch}, false);
    Enable({ids::kAddOrSave, ids::kModifyOrCancel}, true);
    m_controls.SetWindowText(ids::kAddOrSave, texts::kSaveButton);
    m_controls.SetWindowText(ids::kModifyOrCancel, texts::kCancelButton);
    m_messages.ShowMessage(texts::kEditModeNotice);
    m.m_modoEdicion = true;
}

// Every piece chosen, and the start not after the end; equal dates are a valid one-day period.
bool RegistrationForm::PeriodIsValid() const {
    const long startYear = accessdb::LeadingNumber(m.m_anioA);
    const long startMonth = accessdb::LeadingNumber(m.m_mesA);
    const long startDay = accessdb::LeadingNumber(m.m_diaA);
    const long endYear = accessdb::LeadingNumber(m.m_anioB);
    const long endMonth = accessdb::LeadingNumber(m.m_mesB);
    const long endDay = accessdb::LeadingNumber(m.m_diaB);
    for (long piece : {startYear, startMonth, startDay, endYear, endMonth, endDay}) {
        if (piece == 0) {
            return false;
        }
    }
    if (startYear > endYear) {
        return false;
    }
    if (startYear == endYear && startMonth > endMonth) {
        return false;
    }
    if (startYear == endYear && startMonth == endMonth && startDay > endDay) {
        return false;
    }
    return true;
}

void RegistrationForm::SaveRecord() {
    std::optional<accessdb::DatabaseError> failure;
    {
        accessdb::Connection db = m_database.Open();
        UpdateData(true);
        std::string fechaA;
        std::string fechaB;
        if (m.m_periodoTemporal != 1) {
            BlankDates();
        } else if (!PeriodIsValid()) {
            m_messages.ShowMessage(texts::kInvalidPeriod);
            BlankDates();
            UpdateData(false);
            return;  // still in edit mode
        } else {
            fechaA = accessdb::BuildRestrictionDate(FirstTwo(m.m_diaA), FirstTwo(m.m_mesA),
                                                    FirstTwo(m.m_anioA));
            fechaB = accessdb::BuildRestrictionDate(FirstTwo(m.m_diaB), FirstTwo(m.m_mesB),
                                                    FirstTwo(m.m_anioB));
        }
        accessdb::DoorSet doors{};
        for (std::size_t door = 0; door < doors.size(); ++door) {
            doors[door] = m.m_puertas[door] == 1;
        }
        accessdb::StudentRecord student;
        student.dni = m.m_dni;
        student.nombre = m.m_nombre;
        student.apellido1 = m.m_apellido1;
        student.apellido2 = m.m_apellido2;
        student.puerta = accessdb::BuildDoorList(doors);
        student.agosto = accessdb::FlagText(m.m_agosto == 1);
        student.finDeSemana = accessdb::FlagText(m.m_finDeSemana == 1);
        student.periodoTemporal = accessdb::FlagText(m.m_periodoTemporal == 1);
        student.fechaA = fechaA;
        student.fechaB = fechaB;
        try {
            if (!db.SaveStudent(student)) {
                // Another console deleted the student meanwhile.
                throw accessdb::NoCurrentRowError();
            }
        } catch (const accessdb::DatabaseError& error) {
            failure = error;
        }
    }
    if (failure) {
        m_messages.ShowMessage(failure->Description());
    }
    // Edit mode ends once the period was valid, whatever the database answered.
    LeaveEditModeStates();
}

void RegistrationForm::CancelEditMode() {
    m_controls.SetWindowText(ids::kAddOrSave, texts::kAddButton);
    m_controls.SetWindowText(ids::kModifyOrCancel, texts::kModifyButton);
    m.m_modoEdicion = false;

    std::optional<accessdb::DatabaseError> failure;
    RecordFound found = RecordFound::NotRegistered;
    {
        // The controls are not read first: m_dni still holds the key of the record being edited
        // and every change made in edit mode is dropped.
        accessdb::Connection db = m_database.Open(kLowerCaseFileName);
        try {
            found = ReadRecord(db, true);
        } catch (const accessdb::DatabaseError& error) {
            failure = error;
        }
    }
    if (failure) {
        m_messages.ShowMessage(failure->Description());
    } else if (found == RecordFound::WithHistory) {
        UpdateData(false);
        ShowRecordButtons();
    } else if (found == RecordFound::NotRegistered) {
        m_messages.ShowMessage(texts::kCancelNotRegistered);
    } else {
        m.m_historial = texts::kNoHistory;
        UpdateData(false);
        Enable({ids::kHistoryGroup, ids::kHistory, ids::kDeleteHistory, ids::kDeleteRecord,
                ids::kModifyOrCancel, ids::kClearForm},
               true);
        Enable({ids::kSearch, ids::kAddOrSave}, false);
    }
    ShowCancelledStates();
}

}  // namespace mireval
