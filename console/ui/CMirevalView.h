#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "common/widgets/FormBuilder.h"
#include "console/commands/DatabaseLocation.h"
#include "console/commands/RegistrationForm.h"

namespace mireval {

namespace ui {
class QtFormControls;
class QtUserMessages;
}  // namespace ui

// The registration form in the frame's centre: template 101 as widgets, each button bound to
// its command. The commands themselves live in RegistrationForm.
class CMirevalView : public QWidget {
    Q_OBJECT

  public:
    CMirevalView(DatabaseLocation database, int currentYear, QWidget* parent = nullptr);
    ~CMirevalView() override;

    // Writes the members to the controls: at the first show and for each new or opened document.
    void OnInitialUpdate();

    QWidget* GetDlgItem(int id) const;
    // Looks the DNI up as if typed in its field and "Buscar Registro" pressed, a shown record
    // cleared first; false, with the form left alone, while a student is being edited.
    bool SearchStudent(const std::string& dni);
    const RegistrationForm& Form() const { return *m_form; }

  private:
    void OnIntervalClicked();
    void OnClearForm();
    void OnSearchRecord();
    void OnAddRecord();
    void OnModifyRecord();
    void OnDeleteHistory();
    void OnDeleteRecord();

    common::BuiltForm m_widgets;
    std::unique_ptr<ui::QtFormControls> m_controls;
    std::unique_ptr<ui::QtUserMessages> m_messages;
    std::unique_ptr<RegistrationForm> m_form;
};

}  // namespace mireval
