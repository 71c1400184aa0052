#include "controller/card/Sleeper.h"

#include <chrono>
#include <thread>

namespace tarvo {

namespace {

class ThreadSleeper final : public Sleeper {
  public:
    void SleepMs(unsigned milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

}  // namespace

Sleeper& SystemSleeper() {
    static ThreadSleeper sleeper;
    return sleeper;
}

}  // namespace tarvo
