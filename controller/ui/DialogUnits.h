#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "controller/ui/FormTemplate.h"

namespace tarvo {

// Dialog units scale with the form's font: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height.
struct BaseUnits {
    int x;  // average character width in pixels
    int y;  // character height in pixels
};

BaseUnits BaseUnitsOf(const QFont& font);
QRect ToPixels(const DialogRect& rect, BaseUnits base);
QSize ToPixels(int width, int height, BaseUnits base);
// The face a template names, mapped to a metric-compatible face of this platform.
QFont FormFont(const FormTemplate& form);

}  // namespace tarvo
