#pragma once

#include <QWidget>
#include <map>

#include "console/commands/DialogUnits.h"
#include "console/commands/FormTemplate.h"

namespace mireval::ui {

// Creates the template's controls as children of the form, at their rectangles converted with
// the form font's base units, with the template's texts, styles and initial states, in tab
// order. Returns them by identifier.
std::map<int, QWidget*> BuildForm(QWidget& form, const FormTemplate& formTemplate,
                                  const BaseUnits& units);

}  // namespace mireval::ui
