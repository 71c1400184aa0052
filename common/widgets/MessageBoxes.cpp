#include "common/widgets/MessageBoxes.h"

#include "common/widgets/QtText.h"

namespace common {

std::unique_ptr<QMessageBox> NewMessageBox(QWidget* parent, const QString& caption,
                                           std::string_view text,
                                           QMessageBox::StandardButtons buttons) {
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::Warning, caption, QString(), buttons, parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(FromUtf8(text));
    return box;
}

}  // namespace common
