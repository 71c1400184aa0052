#include "controller/ui/WindowSleeper.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <utility>

namespace tarvo {

void WindowSleeper::SleepMs(unsigned milliseconds) {
    const QDeadlineTimer deadline(std::chrono::milliseconds(milliseconds), Qt::PreciseTimer);
    while (!m_ended) {
        const auto left = deadline.remainingTimeAsDuration();
        if (left <= std::chrono::nanoseconds::zero()) {
            return;
        }
        // Every kind of event is handled meanwhile, the caretaker's input included.
        QEventLoop loop;
        bool over = false;
        QTimer::singleShot(std::chrono::ceil<std::chrono::milliseconds>(left), Qt::PreciseTimer,
                           &loop, [&] {
                               over = true;
                               loop.quit();
                           });
        QEventLoop* const outer = std::exchange(m_running, &loop);
        loop.exec();
        m_running = outer;
        if (!over) {
            // Ended by the window closing or by the program being stopped.
            return;
        }
    }
}

void WindowSleeper::EndPauses() {
    m_ended = true;
    if (m_running != nullptr) {
        m_running->quit();
    }
}

}  // namespace tarvo
