#include "common/widgets/DialogUnits.h"

#include <QFontMetrics>

namespace common {

namespace {

// a × b / c rounded half away from zero, without overflowing for the sizes of a form.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

BaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width is the advance of the 52 letters over 52, rounded.
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabet / 26 + 1) / 2, metrics.height()};
}

int HorizontalPixels(int dialogUnits, BaseUnits base) {
    return MulDiv(dialogUnits, base.averageCharWidth, 4);
}

int VerticalPixels(int dialogUnits, BaseUnits base) {
    return MulDiv(dialogUnits, base.charHeight, 8);
}

QRect ToPixels(const DialogRect& rect, BaseUnits base) {
    return QRect(HorizontalPixels(rect.x, base), VerticalPixels(rect.y, base),
                 HorizontalPixels(rect.width, base), VerticalPixels(rect.height, base));
}

QSize ToPixels(int width, int height, BaseUnits base) {
    return QSize(HorizontalPixels(width, base), VerticalPixels(height, base));
}

}  // namespace common
