#include <optional>

#include "ControlIds.h"
#include "MessageTexts.h"
#include "RegistrationForm.h"
#include "accessdb/DatabaseError.h"

namespace mireval {

void RegistrationForm::SearchRecord() {
    UpdateData(true);
    if (DniHasWrongLength()) {
        m_messages.ShowMessage(texts::kWrongDni);
        EmptyDniAndNames();
        UpdateData(false);
        return;
    }
    std::optional<accessdb::DatabaseError> failure;
    bool found = false;
    {
        accessdb::Connection db = m_database.Open(kLowerCaseFileName);
        // Read-only whatever the lookup finds, until the form is cleared or the record deleted.
        m_controls.SetReadOnly(ids::kDni, true);
        try {
            ReadRecord(db, found, false);
        } catch (const accessdb::DatabaseError& error) {
            failure = error;
        }
    }
    if (!failure) {
        UpdateData(false);
        ShowRecordButtons();
        SetNamesReadOnly(true);  // as the record's other data, until edit mode
        return;
    }
    if (failure->IsNoCurrentRow() && !found) {
        m_messages.ShowMessage(texts::kNotRegistered);
    } else if (failure->IsNoCurrentRow()) {
        // The student has no accesses: the record shows, with nothing in the history to delete.
        m.m_historial = texts::kNoHistory;
        UpdateData(false);
        m_controls.EnableWindow(ids::kHistoryGroup, false);
        Enable({ids::kHistory, ids::kDeleteRecord, ids::kModifyOrCancel, ids::kClearForm}, true);
        Enable({ids::kSearch, ids::kAddOrSave}, false);
        SetNamesReadOnly(true);
    } else {
        m_messages.ShowMessage(failure->Description());
    }
}

}  // namespace mireval
