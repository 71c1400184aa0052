#include "ControlIds.h"
#include "RegistrationForm.h"

namespace mireval {

// "Eliminar Registro" is enabled exactly while a record stands on the form, except in edit
// mode, where the record is shown all the same. A search that found nobody leaves it disabled.
std::optional<std::string> RegistrationForm::ShownStudent() const {
    if (!m.m_modoEdicion && !m_controls.IsWindowEnabled(ids::kDeleteRecord)) {
        return std::nullopt;
    }
    return m_controls.GetWindowText(ids::kDni);
}

}  // namespace mireval
