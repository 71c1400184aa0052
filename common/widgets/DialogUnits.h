#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "common/FormTemplate.h"

namespace common {

// Dialog units scale with the form's font: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
struct BaseUnits {
    int averageCharWidth;  // pixels
    int charHeight;        // pixels
};

BaseUnits BaseUnitsOf(const QFont& font);

// Each number rounded to the nearest pixel, halves away from zero.
int HorizontalPixels(int dialogUnits, BaseUnits base);
int VerticalPixels(int dialogUnits, BaseUnits base);

// A control's place as the dialog manager creates a template's controls: its position and its
// size are each converted, so a control is as wide as its width in units says wherever it
// stands, and two controls of one width in the template are of one width on the screen.
QRect ToPixels(const DialogRect& rect, BaseUnits base);
QSize ToPixels(int width, int height, BaseUnits base);

}  // namespace common
