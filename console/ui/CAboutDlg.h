#pragma once

#include "common/widgets/TemplateDialog.h"

namespace mireval {

// "Acerca de Mireval" (dialog 100): the program's icon, its name and version, and "Aceptar".
class CAboutDlg : public common::TemplateDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace mireval
