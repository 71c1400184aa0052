#pragma once

#include "common/widgets/TemplateDialog.h"

namespace tarvo {

// "Acerca del control de presencia" (dialog template 100): the icon, the version line, a second
// line and "Aceptar".
class CAboutDlg : public common::TemplateDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent);
};

}  // namespace tarvo
