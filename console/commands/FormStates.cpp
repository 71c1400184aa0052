// The enabled states that several commands end in, each in the order the form has always
// switched them.
#include "ControlIds.h"
#include "MessageTexts.h"
#include "RegistrationForm.h"
#include "common/Utf8.h"

namespace mireval {

void RegistrationForm::ShowRecordButtons() {
    Enable({ids::kHistoryGroup, ids::kHistory, ids::kDeleteHistory, ids::kDeleteRecord,
            ids::kModifyOrCancel, ids::kClearForm},
           true);
    Enable({ids::kSearch, ids::kAddOrSave}, false);
}

void RegistrationForm::EmptyFormStates() {
    Enable({ids::kRestrictionsGroup, ids::kHistoryGroup, ids::kStartDateGroup, ids::kEndDateGroup,
            ids::kDoorsGroup},
           false);
    // A new student's names are typed with the DNI.
    Enable({ids::kPersonalGroup, ids::kDni, ids::kNombre, ids::kApellido1, ids::kApellido2}, true);
    SetNamesReadOnly(false);
    Enable({ids::kFinDeSemana, ids::kAgosto, ids::kIntervalo}, false);
    EnableAll(ids::kDateLists, false);
    EnableAll(ids::kDateLabels, false);
    Enable({ids::kDeleteHistory, ids::kDeleteRecord, ids::kModifyOrCancel}, false);
    Enable({ids::kClearForm, ids::kSearch, ids::kAddOrSave}, true);
}

void RegistrationForm::LeaveEditModeStates() {
    // A history box that shows exactly the no-history text's length has nothing to delete.
    m_controls.EnableWindow(ids::kDeleteHistory, common::CharacterCount(m.m_historial) !=
                                                     common::CharacterCount(texts::kNoHistory));
    m.m_modoEdicion = false;
    m_controls.SetWindowText(ids::kAddOrSave, texts::kAddButton);
    m_controls.SetWindowText(ids::kModifyOrCancel, texts::kModifyButton);
    Enable({ids::kDeleteRecord, ids::kModifyOrCancel, ids::kClearForm}, true);
    Enable({ids::kSearch, ids::kAddOrSave}, false);
    EnableAll(ids::kDoorBoxes, false);
    Enable({ids::kRestrictionsGroup, ids::kHistoryGroup, ids::kStartDateGroup, ids::kEndDateGroup,
            ids::kDoorsGroup},
           false);
    EnableAll(ids::kDateLabels, false);
    Enable({ids::kFinDeSemana, ids::kAgosto, ids::kIntervalo}, false);
    EnableAll(ids::kDateLists, false);
    Enable({ids::kNombre, ids::kApellido1, ids::kApellido2}, false);
    SetNamesReadOnly(true);
}

void RegistrationForm::ShowCancelledStates() {
    Enable({ids::kDeleteHistory, ids::kDeleteRecord, ids::kModifyOrCancel, ids::kClearForm}, true);
    Enable({ids::kSearch, ids::kAddOrSave}, false);
    Enable({ids::kRestrictionsGroup, ids::kHistoryGroup, ids::kStartDateGroup, ids::kEndDateGroup,
            ids::kDoorsGroup, ids::kPersonalGroup, ids::kDni, ids::kNombre, ids::kApellido1,
            ids::kApellido2, ids::kFinDeSemana, ids::kAgosto, ids::kIntervalo},
           false);
    EnableAll(ids::kDateLists, false);
    EnableAll(ids::kDateLabels, false);
    EnableAll(ids::kDoorBoxes, false);
    SetNamesReadOnly(true);
}

void RegistrationForm::SetNamesReadOnly(bool readOnly) {
    for (int box : {ids::kNombre, ids::kApellido1, ids::kApellido2}) {
        m_controls.SetReadOnly(box, readOnly);
    }
}

}  // namespace mireval
