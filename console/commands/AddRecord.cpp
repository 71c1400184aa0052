#include <optional>

#include "ControlIds.h"
#include "MessageTexts.h"
#include "RegistrationForm.h"
#include "accessdb/DatabaseError.h"
#include "common/Utf8.h"

namespace mireval {

std::string RegistrationForm::AddedConfirmation() const {
    std::string text(texts::kAddedHeader);
    text += m.m_dni;
    // One-character names are stored but left out of the confirmation.
    if (common::CharacterCount(m.m_nombre) > 1) {
        text.append(texts::kAddedNombre).append(m.m_nombre);
    }
    if (common::CharacterCount(m.m_apellido1) > 1) {
        text.append(texts::kAddedApellido1).append(m.m_apellido1);
    }
    if (common::CharacterCount(m.m_apellido2) > 1) {
        text.append(texts::kAddedApellido2).append(m.m_apellido2);
    }
    text += texts::kAddedFooter;
    return text;
}

void RegistrationForm::AddRecord() {
    if (m.m_modoEdicion) {
        SaveRecord();
        return;
    }
    UpdateData(true);
    if (DniHasWrongLength()) {
        m_messages.ShowMessage(texts::kWrongDni);
        EmptyDniAndNames();
        UpdateData(false);
        return;
    }

    enum class Outcome { Added, AlreadyRegistered, CheckFailed, AddFailed };
    Outcome outcome = Outcome::Added;
    std::optional<accessdb::DatabaseError> failure;
    {
        accessdb::Connection db = m_database.Open();
        // The check and the insert form one change, so two consoles adding the same DNI at
        // once get the "already registered" answer rather than a constraint failure.
        accessdb::Transaction transaction = db.Write();
        try {
            if (db.FindStudent(m.m_dni)) {
                outcome = Outcome::AlreadyRegistered;
            }
        } catch (const accessdb::DatabaseError& error) {
            outcome = Outcome::CheckFailed;
            failure = error;
        }
        if (outcome == Outcome::Added) {
            try {
                accessdb::StudentRecord student;
                student.dni = m.m_dni;
                student.nombre = m.m_nombre;
                student.apellido1 = m.m_apellido1;
                student.apellido2 = m.m_apellido2;
                db.AddStudent(student);
                transaction.Commit();
            } catch (const accessdb::DatabaseError& error) {
                outcome = Outcome::AddFailed;
                failure = error;
            }
        }
    }
    // Boxes are shown only once the write lock is released: the controller must not wait on
    // a box the administrator has not closed yet.
    switch (outcome) {
        case Outcome::Added:
            m_messages.ShowMessage(AddedConfirmation());
            break;
        case Outcome::AlreadyRegistered:
            m_messages.ShowMessage(std::string(texts::kAlreadyRegistered) + m.m_dni);
            EmptyDniAndNames();
            UpdateData(false);
            break;
        case Outcome::CheckFailed:
            m_controls.SetWindowText(ids::kApellido1, texts::kDatabaseProblem);
            m_messages.ShowMessage(failure->Description());
            break;
        case Outcome::AddFailed:
            m_messages.ShowMessage(failure->Description());
            break;
    }
}

}  // namespace mireval
