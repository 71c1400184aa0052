#pragma once

#include <QDialog>

#include "controller/ui/FormBuilder.h"

namespace tarvo {

// "Acerca del control de presencia": the icon, the version line and "Aceptar".
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent);
    int DoModal() { return exec(); }

  private:
    BuiltForm m_form;
};

}  // namespace tarvo
