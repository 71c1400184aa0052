#include "QtUserMessages.h"

#include <QMessageBox>

#include "ShellTexts.h"

namespace mireval::ui {

namespace {
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

// An OK box without an icon of its own has always shown the exclamation icon, like the
// confirmations.
void QtUserMessages::ShowMessage(std::string_view text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(texts::kCaption), FromUtf8(text),
                    QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtUserMessages::Confirm(std::string_view text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(texts::kCaption), FromUtf8(text),
                    QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

}  // namespace mireval::ui
