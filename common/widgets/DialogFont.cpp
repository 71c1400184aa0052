#include "common/widgets/DialogFont.h"

#include <QFontDatabase>
#include <QStringList>
#include <algorithm>
#include <array>

#include "common/widgets/QtText.h"

namespace common {

namespace {

// The original system's dialog faces, all drawn in Liberation Sans here.
constexpr std::array<std::string_view, 4> kMetricCompatibleWithLiberationSans = {
    "MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif", "MS Sans Serif"};

}  // namespace

QFont DialogFont(std::string_view templateFace, int pointSize) {
    const bool liberation = std::find(kMetricCompatibleWithLiberationSans.begin(),
                                      kMetricCompatibleWithLiberationSans.end(),
                                      templateFace) != kMetricCompatibleWithLiberationSans.end();
    const QString face = liberation ? QStringLiteral("Liberation Sans") : FromUtf8(templateFace);
    QFont font;
    if (QFontDatabase::families().contains(face)) {
        font.setFamily(face);
    } else {
        font.setStyleHint(QFont::SansSerif);
        font.setFamily(QStringLiteral("Sans Serif"));
    }
    font.setPointSize(pointSize);
    return font;
}

}  // namespace common
