#include "CMirevalView.h"

#include <QAbstractButton>
#include <QLineEdit>

#include "FieldCaptions.h"
#include "QtFormControls.h"
#include "QtUserMessages.h"
#include "console/commands/ControlIds.h"
#include "console/commands/RegistrationTemplate.h"

namespace mireval {

CMirevalView::CMirevalView(DatabaseLocation database, int currentYear, QWidget* parent)
    : QWidget(parent), m_widgets(*this, RegistrationFormTemplate()) {
    ui::NameFieldsByTheirCaptions(m_widgets, RegistrationFormTemplate());
    m_controls = std::make_unique<ui::QtFormControls>(m_widgets.Items());
    m_messages = std::make_unique<ui::QtUserMessages>(this);
    m_form = std::make_unique<RegistrationForm>(*m_controls, *m_messages, std::move(database),
                                                currentYear);
    m_form->FillDateLists();

    auto bind = [this](int id, void (CMirevalView::*handler)()) {
        auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
        connect(button, &QAbstractButton::clicked, this, handler);
    };
    // The period box answers every change of its state, not only a click: keyboard, screen
    // readers and switch devices change it through its toggle action, which sends no click.
    // Its state changes once per click, so one click runs the handler once. The form's own
    // check changes send nothing (QtFormControls::SetCheck).
    auto* period = qobject_cast<QAbstractButton*>(GetDlgItem(ids::kIntervalo));
    connect(period, &QAbstractButton::toggled, this, [this, period] {
        // Nobody can change a disabled box; the dates open only in edit mode.
        if (period->isEnabled()) {
            OnIntervalClicked();
        }
    });
    bind(ids::kClearForm, &CMirevalView::OnClearForm);
    bind(ids::kSearch, &CMirevalView::OnSearchRecord);
    bind(ids::kAddOrSave, &CMirevalView::OnAddRecord);
    bind(ids::kModifyOrCancel, &CMirevalView::OnModifyRecord);
    bind(ids::kDeleteHistory, &CMirevalView::OnDeleteHistory);
    bind(ids::kDeleteRecord, &CMirevalView::OnDeleteRecord);
}

CMirevalView::~CMirevalView() = default;

void CMirevalView::OnInitialUpdate() { m_form->OnInitialUpdate(); }

QWidget* CMirevalView::GetDlgItem(int id) const { return m_controls->GetDlgItem(id); }

void CMirevalView::OnIntervalClicked() { m_form->OnIntervalClicked(); }
void CMirevalView::OnClearForm() { m_form->OnClearForm(); }
void CMirevalView::OnSearchRecord() { m_form->OnSearchRecord(); }

bool CMirevalView::SearchStudent(const std::string& dni) {
    // A student being edited keeps the form: the changes are the caretaker's to save or cancel.
    if (m_form->Members().m_modoEdicion) {
        return false;
    }
    QWidget* search = GetDlgItem(ids::kSearch);
    QWidget* clear = GetDlgItem(ids::kClearForm);
    // A shown record offers "Limpiar" before another search, as the caretaker would press it.
    if (search != nullptr && !search->isEnabled() && clear != nullptr && clear->isEnabled()) {
        OnClearForm();
    }
    auto* field = qobject_cast<QLineEdit*>(GetDlgItem(ids::kDni));
    if (field == nullptr || search == nullptr || !field->isEnabled() || field->isReadOnly() ||
        !search->isEnabled()) {
        return false;
    }
    field->setText(QString::fromUtf8(dni.data(), static_cast<qsizetype>(dni.size())));
    OnSearchRecord();
    return true;
}
void CMirevalView::OnAddRecord() { m_form->OnAddRecord(); }
void CMirevalView::OnModifyRecord() { m_form->OnModifyRecord(); }
void CMirevalView::OnDeleteHistory() { m_form->OnDeleteHistory(); }
void CMirevalView::OnDeleteRecord() { m_form->OnDeleteRecord(); }

}  // namespace mireval
