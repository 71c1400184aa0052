#pragma once

#include <QDialog>

#include "common/FormTemplate.h"
#include "common/widgets/FormBuilder.h"

namespace common {

// The identifiers of a dialog's closing buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// A modal dialog box built from its template: the template's caption, its fixed size, and
// "OK" and "Cancel" buttons that close it.
class TemplateDialog : public QDialog {
    Q_OBJECT

  public:
    TemplateDialog(QWidget* parent, const FormTemplate& form);
    int DoModal() { return exec(); }
    QWidget* GetDlgItem(int id) const { return m_form.Item(id); }

  private:
    BuiltForm m_form;
};

}  // namespace common
