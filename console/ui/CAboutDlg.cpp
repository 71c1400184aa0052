#include "CAboutDlg.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "FormFont.h"
#include "MakeOwned.h"
#include "ShellTexts.h"
#include "console/commands/DialogUnits.h"

namespace texts = mireval::ui::texts;
using mireval::ui::MakeOwned;

namespace {
// The about box's template, in dialog units.
constexpr mireval::DialogRect kSize{0, 0, 235, 55};
constexpr mireval::DialogRect kIcon{11, 17, 20, 20};
constexpr mireval::DialogRect kVersion{40, 10, 119, 8};
constexpr mireval::DialogRect kOk{178, 7, 50, 14};
constexpr int kPointSize = 8;

void Place(QWidget& widget, const mireval::DialogRect& rect, const mireval::BaseUnits& units) {
    const mireval::PixelRect pixels = mireval::ToPixels(rect, units);
    widget.setGeometry(pixels.x, pixels.y, pixels.width, pixels.height);
}
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(texts::kAboutCaption));
    setFont(mireval::ui::DialogFont("MS Shell Dlg", kPointSize));
    const mireval::BaseUnits units = mireval::ui::FontBaseUnits(font());
    const mireval::PixelRect size = mireval::ToPixels(kSize, units);
    setFixedSize(size.width, size.height);

    auto* icon = MakeOwned<QLabel>(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(QPixmap(QStringLiteral(":/mireval/mireval.png")));
    Place(*icon, kIcon, units);
    icon->adjustSize();

    auto* version = MakeOwned<QLabel>(this, QString::fromUtf8(texts::kAboutVersion));
    version->setObjectName(QStringLiteral("aboutVersion"));
    Place(*version, kVersion, units);
    version->setMinimumHeight(version->sizeHint().height());

    auto* ok = MakeOwned<QPushButton>(this, QString::fromUtf8(texts::kAboutOk));
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setDefault(true);
    Place(*ok, kOk, units);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
