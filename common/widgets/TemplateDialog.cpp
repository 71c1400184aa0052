#include "common/widgets/TemplateDialog.h"

#include <QAbstractButton>

#include "common/widgets/QtText.h"

namespace common {

TemplateDialog::TemplateDialog(QWidget* parent, const FormTemplate& form)
    : QDialog(parent), m_form(*this, form) {
    setWindowTitle(FromUtf8(form.caption));
    if (auto* ok = m_form.ItemAs<QAbstractButton>(kIdOk)) {
        connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    }
    if (auto* cancel = m_form.ItemAs<QAbstractButton>(kIdCancel)) {
        connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    }
}

}  // namespace common
