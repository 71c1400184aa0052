#include "controller/ui/OffThreadTone.h"

#include <QEventLoop>
#include <QMetaObject>
#include <thread>

namespace tarvo {

void OffThreadTone::Beep(unsigned frequencyHz, std::chrono::milliseconds duration) {
    QEventLoop loop;
    std::jthread player([&] {
        {
            const std::lock_guard playing(m_playing);
            m_device.Beep(frequencyHz, duration);
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Returns early only when the program is being stopped; the tone is waited for either way.
    loop.exec();
    player.join();
}

}  // namespace tarvo
