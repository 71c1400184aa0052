#include "CTarvoView.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <exception>

#include "controller/ui/CMainFrame.h"
#include "controller/ui/ControlIds.h"
#include "controller/ui/EditBoxText.h"
#include "controller/ui/FormTemplate.h"
#include "controller/ui/StringTable.h"

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CTarvoView::CTarvoView(const StationDevices& devices)
    : m_form(*this, ControllerForm()), m_cycle(CycleServices{*this, *this, devices}) {
    for (int door = 0; door < ids::kDoorCount; ++door) {
        auto* button = m_form.ItemAs<QRadioButton>(ids::kFirstDoorButton + door);
        m_doorButtons.addButton(button, ids::kFirstDoorButton + door);
        connect(button, &QRadioButton::clicked, this, [this, door] { OnDoorClicked(door); });
    }
    m_doorButtons.setExclusive(true);
    // The door buttons carry their captions; the fields get the labels beside them, so that
    // screen readers and test tools find every control by what the form shows.
    m_form.Item(ids::kDniField)->setAccessibleName(QStringLiteral("DNI"));
    m_form.Item(ids::kNameField)->setAccessibleName(QStringLiteral("Nombre"));
    m_form.Item(ids::kLogField)->setAccessibleName(QStringLiteral("Registro"));
    m_timer.setInterval(ids::kCyclePeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &CTarvoView::OnTimer);
}

CTarvoView::~CTarvoView() = default;

void CTarvoView::OnInitialUpdate() { m_timer.start(); }

void CTarvoView::OnTimer() {
    try {
        m_cycle.OnTimer(m_doorDigit);
    } catch (const std::exception& error) {
        // Nothing may leave an event handler; the tick ends and the controller keeps running.
        ShowMessage(error.what());
    }
}

void CTarvoView::OnDoorClicked(int door) { m_doorDigit = static_cast<char>('1' + door); }

void CTarvoView::SetDlgItemText(int id, std::string_view text) {
    if (auto* edit = m_form.ItemAs<QLineEdit>(id)) {
        edit->setText(FromUtf8(text));
    }
}

void CTarvoView::SetDniField(std::string_view text) { SetDlgItemText(ids::kDniField, text); }

void CTarvoView::SetNameField(std::string_view text) { SetDlgItemText(ids::kNameField, text); }

void CTarvoView::ShowStatus(std::string_view text) {
    // The status bar belongs to the main window, wherever the view sits.
    if (auto* frame = qobject_cast<CMainFrame*>(window())) {
        frame->ShowStatus(text);
    }
}

void CTarvoView::ShowLog(std::string_view joinedLines) {
    auto* log = m_form.ItemAs<QPlainTextEdit>(ids::kLogField);
    // Emptied, then the whole log inserted at the caret: the caret ends after the newest line,
    // which keeps it in view.
    log->setPlainText(QString());
    log->textCursor().insertText(EditBoxText(joinedLines));
    log->moveCursor(QTextCursor::End);
    log->ensureCursorVisible();
}

void CTarvoView::ShowMessage(std::string_view text) {
    QMessageBox box(QMessageBox::Warning, strings::Load(strings::kAppTitle), FromUtf8(text),
                    QMessageBox::Ok, this);
    box.exec();
}
