#pragma once

#include "controller/card/Sleeper.h"
#include "controller/cycle/Tone.h"

namespace tarvo {

// The beep on the sound device's default output. Where there is no sound device the beep is a
// silent wait of the same length: either way the call lasts as long as the tone.
class AlsaTone : public Tone {
  public:
    explicit AlsaTone(Sleeper& sleeper) : m_sleeper(sleeper) {}
    void Beep(unsigned frequencyHz, std::chrono::milliseconds duration) override;

  private:
    Sleeper& m_sleeper;
};

}  // namespace tarvo
