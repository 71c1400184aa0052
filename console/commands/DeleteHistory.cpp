#include <optional>

#include "ControlIds.h"
#include "MessageTexts.h"
#include "RegistrationForm.h"
#include "accessdb/DatabaseError.h"

namespace mireval {

void RegistrationForm::DeleteHistory() {
    if (!m_messages.Confirm(texts::kConfirmDeleteHistory)) {
        return;
    }
    std::optional<accessdb::DatabaseError> failure;
    {
        accessdb::Connection db = m_database.Open();
        try {
            // One statement in one write transaction: every row goes, or none does.
            accessdb::Transaction transaction = db.Write();
            if (db.DeleteAccesses(m.m_dni) == 0) {
                throw accessdb::NoCurrentRowError();  // the history was already empty
            }
            transaction.Commit();
        } catch (const accessdb::DatabaseError& error) {
            failure = error;
        }
    }
    if (failure) {
        m_messages.ShowMessage(failure->Description());
        if (failure->IsNoCurrentRow()) {
            m.m_historial = texts::kNoHistory;
            UpdateData(false);
        }
        return;
    }
    m.m_historial = texts::kNoHistory;
    UpdateData(false);
    m_controls.EnableWindow(ids::kDeleteHistory, false);
    m_controls.EnableWindow(ids::kDeleteRecord, true);
}

}  // namespace mireval
