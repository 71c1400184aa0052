#include "MessageBoxAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>

namespace mireval::testing {

std::vector<MessageBoxAnswerer::Seen> MessageBoxAnswerer::Run(
    std::vector<QMessageBox::StandardButton> answers, const std::function<void()>& action) {
    m_answers = std::move(answers);
    m_next = 0;
    m_seen.clear();
    m_answered.clear();
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::Poll, Qt::UniqueConnection);
    m_timer.start(10);
    action();
    m_timer.stop();
    return m_seen;
}

void MessageBoxAnswerer::Poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box == m_answered) {
        return;
    }
    Seen seen;
    seen.text = box->text();
    seen.caption = box->windowTitle();
    seen.icon = box->icon();
    for (QAbstractButton* button : box->buttons()) {
        seen.buttons << button->text();
    }
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        seen.labelFormat = label->textFormat();
        seen.labelText = label->text();
    }
    m_seen.push_back(seen);
    m_answered = box;
    if (m_next < m_answers.size()) {
        if (QAbstractButton* button = box->button(m_answers[m_next++])) {
            button->click();
            return;
        }
    }
    box->reject();  // a box nobody expected: close it so the test can report it
}

}  // namespace mireval::testing
