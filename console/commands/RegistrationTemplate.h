#pragma once

#include "common/FormTemplate.h"

namespace mireval {

// The registration form, dialog template 101.
const common::FormTemplate& RegistrationFormTemplate();

}  // namespace mireval
