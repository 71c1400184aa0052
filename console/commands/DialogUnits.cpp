#include "DialogUnits.h"

namespace mireval {

namespace {
// a × b / c rounded half away from zero, without overflowing for the sizes of a form.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}
}  // namespace

int HorizontalPixels(int dialogUnits, const BaseUnits& units) {
    return MulDiv(dialogUnits, units.averageCharWidth, 4);
}

int VerticalPixels(int dialogUnits, const BaseUnits& units) {
    return MulDiv(dialogUnits, units.charHeight, 8);
}

PixelRect ToPixels(const DialogRect& rect, const BaseUnits& units) {
    return {HorizontalPixels(rect.x, units), VerticalPixels(rect.y, units),
            HorizontalPixels(rect.width, units), VerticalPixels(rect.height, units)};
}

int AverageCharWidth(int advanceOfAlphabet) { return (advanceOfAlphabet / 26 + 1) / 2; }

}  // namespace mireval
