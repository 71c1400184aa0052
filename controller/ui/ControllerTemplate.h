#pragma once

#include "common/FormTemplate.h"

namespace tarvo {

// The controller form, dialog template 101.
const common::FormTemplate& ControllerFormTemplate();

}  // namespace tarvo
