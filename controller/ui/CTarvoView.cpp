#include "CTarvoView.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <exception>

#include "common/DisplayLines.h"
#include "common/widgets/MessageBoxes.h"
#include "common/widgets/QtText.h"
#include "controller/ui/CMainFrame.h"
#include "controller/ui/ControlIds.h"
#include "controller/ui/ControllerTemplate.h"
#include "controller/ui/StringTable.h"

namespace tarvo {

using common::FromUtf8;

CTarvoView::CTarvoView(const StationDevices& devices)
    : m_form(*this, ControllerFormTemplate()), m_cycle(CycleServices{*this, *this, devices}) {
    for (int door = 0; door < ids::kDoorCount; ++door) {
        auto* button = m_form.ItemAs<QRadioButton>(ids::kFirstDoorButton + door);
        m_doorButtons.addButton(button, ids::kFirstDoorButton + door);
    }
    m_doorButtons.setExclusive(true);
    // A door is taken whenever its button becomes checked, not only on a click: keyboard,
    // screen readers and switch devices check it through the button's own toggle action.
    // Only the button that becomes checked counts, so one choice stores its digit once.
    connect(&m_doorButtons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            OnDoorClicked(id - ids::kFirstDoorButton);
        }
    });
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
    if (m_inTick) {
        // The window runs on during the cycle's pauses; a step inside another would read and
        // record the same card twice. The timer's next tick comes once this one has ended.
        return;
    }
    m_inTick = true;
    try {
        m_cycle.OnTimer(m_doorDigit);
    } catch (const std::exception& error) {
        // Nothing may leave an event handler; the tick ends and the controller keeps running.
        ShowMessage(error.what());
    }
    m_inTick = false;
    emit TickEnded();
}

void CTarvoView::StopCycle() { m_timer.stop(); }

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

void CTarvoView::ShowStationState(std::string_view text) {
    if (auto* frame = qobject_cast<CMainFrame*>(window())) {
        frame->ShowStationState(text);
    }
}

void CTarvoView::ShowLog(std::string_view joinedLines) {
    auto* log = m_form.ItemAs<QPlainTextEdit>(ids::kLogField);
    // Emptied, then the whole log inserted at the caret: the caret ends after the newest line,
    // which keeps it in view.
    log->setPlainText(QString());
    log->textCursor().insertText(FromUtf8(common::ToDisplayLines(joinedLines)));
    log->moveCursor(QTextCursor::End);
    log->ensureCursorVisible();
}

void CTarvoView::ShowMessage(std::string_view text) {
    // A box waiting in its own event loop would hold up the tick that opened it, and the timer
    // does not tick again until that tick returns: the door would stay shut for everyone until
    // somebody answers. The box is opened and the tick goes on; it keeps the window for the
    // caretaker until answered. One box at a time: later failures go to the status bar.
    if (m_messageBox && m_messageBox->isVisible()) {
        ShowStatus(text);
        return;
    }
    m_messageBox =
        common::NewMessageBox(this, strings::Load(strings::kAppTitle), text, QMessageBox::Ok);
    m_messageBox->open();
}

}  // namespace tarvo
