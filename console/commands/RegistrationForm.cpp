#include "RegistrationForm.h"

#include <exception>

#include "ControlIds.h"
#include "MessageTexts.h"
#include "accessdb/DatabaseError.h"
#include "common/Utf8.h"

namespace mireval {

RegistrationForm::RegistrationForm(FormControls& controls, UserMessages& messages,
                                   DatabaseLocation database, int currentYear)
    : m_controls(controls),
      m_messages(messages),
      m_database(std::move(database)),
      m_lists(MakeDateListEntries(currentYear)) {}

void RegistrationForm::FillDateLists() {
    auto fill = [this](int id, const std::vector<std::string>& entries) {
        for (const std::string& entry : entries) {
            m_controls.AddString(id, entry);
        }
    };
    fill(ids::kDiaA, m_lists.days);
    fill(ids::kDiaB, m_lists.days);
    fill(ids::kMesA, m_lists.months);
    fill(ids::kMesB, m_lists.months);
    fill(ids::kAnioA, m_lists.startYears);
    fill(ids::kAnioB, m_lists.endYears);
}

void RegistrationForm::OnInitialUpdate() { UpdateData(false); }

void RegistrationForm::UpdateData(bool saveAndValidate) {
    auto list = [&](int id, std::string& value) {
        if (saveAndValidate) {
            value = m_controls.GetWindowText(id);
        } else {
            // No entry begins with the text: the list keeps what it showed.
            m_controls.SelectString(id, value);
        }
    };
    auto check = [&](int id, int& value) {
        if (saveAndValidate) {
            value = m_controls.GetCheck(id);
        } else {
            m_controls.SetCheck(id, value);
        }
    };
    auto text = [&](int id, std::string& value) {
        if (saveAndValidate) {
            value = m_controls.GetWindowText(id);
        } else {
            m_controls.SetWindowText(id, value);
        }
    };
    list(ids::kAnioA, m.m_anioA);
    list(ids::kDiaA, m.m_diaA);
    list(ids::kMesA, m.m_mesA);
    list(ids::kDiaB, m.m_diaB);
    list(ids::kMesB, m.m_mesB);
    list(ids::kAnioB, m.m_anioB);
    check(ids::kIntervalo, m.m_periodoTemporal);
    text(ids::kDni, m.m_dni);
    text(ids::kNombre, m.m_nombre);
    text(ids::kApellido1, m.m_apellido1);
    text(ids::kApellido2, m.m_apellido2);
    text(ids::kHistory, m.m_historial);
    check(ids::kAgosto, m.m_agosto);
    check(ids::kFinDeSemana, m.m_finDeSemana);
    for (std::size_t door = 0; door < ids::kDoorBoxes.size(); ++door) {
        check(ids::kDoorBoxes[door], m.m_puertas[door]);
    }
}

// Qt has no handling of its own for a failure inside a handler: show it and keep running.
template <class Command>
void RegistrationForm::AtHandlerEdge(Command command) {
    try {
        (this->*command)();
    } catch (const accessdb::DatabaseError& error) {
        m_messages.ShowMessage(error.Description());
    } catch (const std::exception& error) {
        m_messages.ShowMessage(error.what());
    }
}

void RegistrationForm::OnSearchRecord() { AtHandlerEdge(&RegistrationForm::SearchRecord); }
void RegistrationForm::OnAddRecord() { AtHandlerEdge(&RegistrationForm::AddRecord); }
void RegistrationForm::OnDeleteHistory() { AtHandlerEdge(&RegistrationForm::DeleteHistory); }
void RegistrationForm::OnDeleteRecord() { AtHandlerEdge(&RegistrationForm::DeleteRecord); }

void RegistrationForm::OnModifyRecord() {
    AtHandlerEdge(m.m_modoEdicion ? &RegistrationForm::CancelEditMode
                                  : &RegistrationForm::EnterEditMode);
}

void RegistrationForm::OnClearForm() {
    BlankDates();
    m.m_dni.clear();
    m.m_nombre.clear();
    m.m_apellido1.clear();
    m.m_apellido2.clear();
    m.m_historial.clear();
    UpdateData(false);
    m_controls.SetReadOnly(ids::kDni, false);
    m.m_periodoTemporal = 0;
    m_controls.SetCheck(ids::kIntervalo, kUnchecked);
    m_controls.SetCheck(ids::kFinDeSemana, kUnchecked);
    m_controls.SetCheck(ids::kAgosto, kUnchecked);
    for (int door : ids::kDoorBoxes) {
        m_controls.SetCheck(door, kUnchecked);
        m_controls.EnableWindow(door, false);
    }
    EmptyFormStates();
}

void RegistrationForm::OnIntervalClicked() {
    const int state = m_controls.GetCheck(ids::kIntervalo);
    if (state != kChecked && state != kUnchecked) {
        return;
    }
    const bool enable = state == kChecked;
    EnableAll(ids::kDateLists, enable);
    Enable({ids::kStartDateGroup, ids::kEndDateGroup}, enable);
    EnableAll(ids::kDateLabels, enable);
}

bool RegistrationForm::DniHasWrongLength() const {
    return common::CharacterCount(m.m_dni) != texts::kDniLength;
}

void RegistrationForm::EmptyDniAndNames() {
    m.m_dni.clear();
    m.m_nombre.clear();
    m.m_apellido1.clear();
    m.m_apellido2.clear();
}

void RegistrationForm::BlankDates() {
    for (std::string* date : {&m.m_diaA, &m.m_mesA, &m.m_anioA, &m.m_diaB, &m.m_mesB, &m.m_anioB}) {
        date->assign(1, ' ');  // not = " ": GCC 12 at -O2 takes that copy for an overlap
    }
}

void RegistrationForm::Enable(std::initializer_list<int> controlIds, bool enable) {
    for (int id : controlIds) {
        m_controls.EnableWindow(id, enable);
    }
}

void RegistrationForm::EnableAll(std::span<const int> controlIds, bool enable) {
    for (int id : controlIds) {
        m_controls.EnableWindow(id, enable);
    }
}

}  // namespace mireval
