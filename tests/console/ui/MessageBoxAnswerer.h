#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

namespace mireval::testing {

// Answers the modal boxes that an action opens, in order, with the buttons given ahead, and
// records what each box showed. The boxes are the real ones, in their own modal loops.
class MessageBoxAnswerer : public QObject {
  public:
    struct Seen {
        QString text;
        QString caption;
        QStringList buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        Qt::TextFormat labelFormat = Qt::AutoText;
        QString labelText;
    };

    // Runs the action; every box it opens is answered with the next of `answers`.
    std::vector<Seen> Run(std::vector<QMessageBox::StandardButton> answers,
                          const std::function<void()>& action);

  private:
    void Poll();

    QTimer m_timer;
    std::vector<QMessageBox::StandardButton> m_answers;
    std::size_t m_next = 0;
    QPointer<QMessageBox> m_answered;
    std::vector<Seen> m_seen;
};

}  // namespace mireval::testing
