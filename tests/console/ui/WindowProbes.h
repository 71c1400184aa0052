#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// What the console's window tests share to drive a window as its user does.
namespace windowprobes {

// Runs the action and answers each box it opens, in the box's own modal loop, with the button
// given; gives each box's text. `late`: the action opens its box a moment later (a mnemonic
// clicks its button as a press shows it), so the first box is waited for.
inline QStringList Answering(QMessageBox::StandardButton answer,
                             const std::function<void()>& action, bool late = false) {
    QStringList seen;
    QPointer<QMessageBox> answered;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box == answered) {
            return;
        }
        answered = box;
        seen << box->text();
        box->button(box->button(answer) != nullptr ? answer : QMessageBox::Ok)->click();
    });
    timer.start(10);
    action();
    if (late) {
        (void)QTest::qWaitFor([&] { return !seen.isEmpty(); }, 5000);
    }
    return seen;
}

// The window's control of this kind with this accessible name, as a screen reader finds it; a
// test without it stops there.
template <class Widget>
Widget* ControlNamed(const QWidget& window, const char* accessibleName) {
    for (Widget* widget : window.findChildren<Widget*>()) {
        if (widget->accessibleName() == QString::fromUtf8(accessibleName)) {
            return widget;
        }
    }
    qFatal("no control named %s", accessibleName);
}

}  // namespace windowprobes
