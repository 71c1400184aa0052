#include "CAboutDlg.h"

#include <QPushButton>

#include "controller/ui/ControlIds.h"

namespace tarvo {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_form(*this, AboutBoxForm()) {
    setWindowTitle(QString::fromUtf8(AboutBoxForm().caption));
    setFixedSize(m_form.Size());
    if (auto* ok = m_form.ItemAs<QPushButton>(ids::kOk)) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

}  // namespace tarvo
