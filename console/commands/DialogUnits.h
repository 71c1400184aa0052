#pragma once

#include "FormTemplate.h"

namespace mireval {

// A font's dialog base units: its average character width and its character height, in pixels.
struct BaseUnits {
    int averageCharWidth;
    int charHeight;
};

struct PixelRect {
    int x;
    int y;
    int width;
    int height;
};

// Dialog units to pixels as dialogs have always placed them: x × width / 4, y × height / 8,
// rounded to the nearest pixel.
int HorizontalPixels(int dialogUnits, const BaseUnits& units);
int VerticalPixels(int dialogUnits, const BaseUnits& units);
PixelRect ToPixels(const DialogRect& rect, const BaseUnits& units);

// The average character width from the advance of the 52 letters "A".."Z" "a".."z".
int AverageCharWidth(int advanceOfAlphabet);

}  // namespace mireval
