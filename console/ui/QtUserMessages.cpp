#include "QtUserMessages.h"

#include "ShellTexts.h"
#include "common/widgets/MessageBoxes.h"

namespace mireval::ui {

namespace {

std::unique_ptr<QMessageBox> NewBox(QWidget* parent, std::string_view text,
                                    QMessageBox::StandardButtons buttons) {
    return common::NewMessageBox(parent, QString::fromUtf8(texts::kCaption), text, buttons);
}

}  // namespace

// An OK box without an icon of its own has always shown the exclamation icon, like the
// confirmations.
void QtUserMessages::ShowMessage(std::string_view text) {
    NewBox(m_parent, text, QMessageBox::Ok)->exec();
}

bool QtUserMessages::Confirm(std::string_view text) {
    const auto box = NewBox(m_parent, text, QMessageBox::Ok | QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Cancel);
    return box->exec() == QMessageBox::Ok;
}

}  // namespace mireval::ui
