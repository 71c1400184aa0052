#pragma once

namespace tarvo {

// The reader's pauses, so that tests record them instead of waiting.
class Sleeper {
  public:
    virtual ~Sleeper() = default;
    virtual void SleepMs(unsigned milliseconds) = 0;
};

// Blocks the calling thread for real.
Sleeper& SystemSleeper();

}  // namespace tarvo
