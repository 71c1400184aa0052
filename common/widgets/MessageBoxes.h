#pragma once

#include <QMessageBox>
#include <memory>
#include <string_view>

namespace common {

// A message box with the exclamation icon, the program's caption and the given buttons. The
// text is shown as it is, never read as markup: a description names files, folders and
// values ("<NINGUNA>", a file called "a<b>.mdb"), and every character of it must be seen.
std::unique_ptr<QMessageBox> NewMessageBox(QWidget* parent, const QString& caption,
                                           std::string_view text,
                                           QMessageBox::StandardButtons buttons);

}  // namespace common
