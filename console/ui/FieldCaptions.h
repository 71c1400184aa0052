#pragma once

#include "common/FormTemplate.h"
#include "common/widgets/FormBuilder.h"

namespace mireval::ui {

// Buttons and check boxes carry their captions already; the registration form's fields get
// their labels' texts, and the date lists the frame they share as a description ("Dia" of the
// start and of the end of a period), so that screen readers and test tools find every control
// by what the form shows beside it.
void NameFieldsByTheirCaptions(const common::BuiltForm& form,
                               const common::FormTemplate& formTemplate);

}  // namespace mireval::ui
