#pragma once

#include <mutex>

#include "controller/cycle/Tone.h"

namespace tarvo {

// The beep played on a thread of its own while the window keeps running. The call still returns
// when the tone has ended, and one beep never sounds over another.
class OffThreadTone final : public Tone {
  public:
    explicit OffThreadTone(Tone& device) : m_device(device) {}
    OffThreadTone(const OffThreadTone&) = delete;
    OffThreadTone& operator=(const OffThreadTone&) = delete;

    void Beep(unsigned frequencyHz, std::chrono::milliseconds duration) override;

  private:
    Tone& m_device;
    std::mutex m_playing;
};

}  // namespace tarvo
