#pragma once

#include <QDialog>

// Dialog 100: the program's icon, its name and version, and "Aceptar".
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
