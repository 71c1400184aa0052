#pragma once

#include "controller/card/Sleeper.h"

class QEventLoop;

namespace tarvo {

// The cycle's and the reader's pauses as the window takes them: each lasts its full length while
// the window goes on repainting and answering the keyboard, the mouse and screen readers. The
// pauses are taken on the window's thread, one at a time.
class WindowSleeper final : public Sleeper {
  public:
    WindowSleeper() = default;
    WindowSleeper(const WindowSleeper&) = delete;
    WindowSleeper& operator=(const WindowSleeper&) = delete;

    void SleepMs(unsigned milliseconds) override;
    // The window is going: the pause under way ends now and any later one at once, so that the
    // tick finishes its card and the window closes right after.
    void EndPauses();

  private:
    QEventLoop* m_running = nullptr;
    bool m_ended = false;
};

}  // namespace tarvo
