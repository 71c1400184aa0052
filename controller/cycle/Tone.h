#pragma once

#include <chrono>

namespace tarvo {

// The acknowledgement beep; it returns when the tone has ended.
class Tone {
  public:
    virtual ~Tone() = default;
    virtual void Beep(unsigned frequencyHz, std::chrono::milliseconds duration) = 0;
};

}  // namespace tarvo
