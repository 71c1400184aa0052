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
    RecordFound found = RecordFound::NotRegistered;
    {
        accessdb::Connection db = m_database.Open(kLowerCaseFileName);
        // Read-only whatever the lookup finds, until the form is cleared or the record deleted.
        m_controls.SetReadOnly(ids::kDni, true);
        try {
            found = ReadRecord(db, false);
        } catch (const accessdb::DatabaseError& error) {
            failure = error;
        }
    }
    if (failure) {
        m_messages.ShowMessage(failure->Description());
    } else if (found == RecordFound::WithHistory) {
        UpdateData(false);
        ShowRecordButtons();
        SetNamesReadOnly(true);  // as the record's other data, until edit mode
    } else if (found == RecordFound::NotRegistered) {
        m_messages.ShowMessage(texts::kNotRegistered);
    } else {
        // The student has no accesses: the record shows, with nothing in the history to delete.
        m.m_historial = texts::kNoHistory;
        UpdateData(false);
        m_controls.EnableWindow(ids::kHistoryGroup, false);
        Enable({ids::kHistory, ids::kDeleteRecord, ids::kModifyOrCancel, ids::kClearForm}, true);
        Enable({ids::kSearch, ids::kAddOrSave}, false);
        SetNamesReadOnly(true);
    }
}

}  // namespace mireval
