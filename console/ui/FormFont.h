#pragma once

#include <QFont>
#include <string_view>

#include "console/commands/DialogUnits.h"

namespace mireval::ui {

// "MS Shell Dlg" and "Microsoft Sans Serif" become Liberation Sans, metric-compatible, at the
// same point size; without it, the default sans serif.
QFont DialogFont(std::string_view templateFace, int pointSize);

// The font's dialog base units, as dialogs measure them.
BaseUnits FontBaseUnits(const QFont& font);

}  // namespace mireval::ui
