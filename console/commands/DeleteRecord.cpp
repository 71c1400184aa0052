#include <optional>

#include "ControlIds.h"
#include "MessageTexts.h"
#include "RegistrationForm.h"
#include "accessdb/DatabaseError.h"

namespace mireval {

void RegistrationForm::DeleteRecord() {
    if (!m_messages.Confirm(texts::kConfirmDeleteRecord)) {
        return;
    }
    std::optional<accessdb::DatabaseError> failure;
    {
        accessdb::Connection db = m_database.Open();
        try {
            // History and student go together or not at all: a failure in between must not
            // leave the student without history, nor accesses without their student.
            accessdb::Transaction transaction = db.Write();
            db.DeleteAccesses(m.m_dni);  // none is nothing to delete
            if (!db.DeleteStudent(m.m_dni)) {
                // Another console deleted the student meanwhile.
                throw accessdb::NoCurrentRowError();
            }
            transaction.Commit();
        } catch (const accessdb::DatabaseError& error) {
            failure = error;
        }
    }
    if (failure) {
        // Nothing was deleted: the record stays on the form and no deletion is announced.
        m_messages.ShowMessage(failure->Description());
        return;
    }

    BlankDates();
    m.m_nombre.clear();
    m.m_apellido1.clear();
    m.m_apellido2.clear();
    m.m_historial.clear();
    m_messages.ShowMessage(std::string(texts::kDeletedHeader) + m.m_dni +
                           std::string(texts::kDeletedFooter));

    m.m_dni.clear();
    m.m_periodoTemporal = 0;
    m.m_agosto = 0;
    m.m_finDeSemana = 0;
    m.m_puertas.fill(0);
    for (int door : ids::kDoorBoxes) {
        m_controls.SetCheck(door, kUnchecked);
        m_controls.EnableWindow(door, false);
    }
    m_controls.SetCheck(ids::kIntervalo, kUnchecked);
    m_controls.SetCheck(ids::kFinDeSemana, kUnchecked);
    m_controls.SetCheck(ids::kAgosto, kUnchecked);
    m_controls.SetReadOnly(ids::kDni, false);
    EmptyFormStates();
    UpdateData(false);
}

}  // namespace mireval
