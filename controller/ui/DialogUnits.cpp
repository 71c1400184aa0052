#include "DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace tarvo {

namespace {

int Scale(int units, int base, int divisor) {
    // Rounded like the system's own conversion of dialog units.
    return (units * base + divisor / 2) / divisor;
}

}  // namespace

BaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int average = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return {average, metrics.height()};
}

QRect ToPixels(const DialogRect& rect, BaseUnits base) {
    const int left = Scale(rect.x, base.x, 4);
    const int top = Scale(rect.y, base.y, 8);
    const int right = Scale(rect.x + rect.width, base.x, 4);
    const int bottom = Scale(rect.y + rect.height, base.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

QSize ToPixels(int width, int height, BaseUnits base) {
    return QSize(Scale(width, base.x, 4), Scale(height, base.y, 8));
}

QFont FormFont(const FormTemplate& form) {
    QFont font;
    // "MS Shell Dlg" is the dialog alias of the original system; Liberation Sans keeps its
    // metrics. Without it the platform's sans serif stands in.
    const QString face = QString::fromUtf8(form.fontFace) == QStringLiteral("MS Shell Dlg")
                             ? QStringLiteral("Liberation Sans")
                             : QString::fromUtf8(form.fontFace);
    if (QFontDatabase::families().contains(face)) {
        font.setFamily(face);
    } else {
        font.setStyleHint(QFont::SansSerif);
        font.setFamily(QStringLiteral("Sans Serif"));
    }
    font.setPointSize(form.pointSize);
    return font;
}

}  // namespace tarvo
