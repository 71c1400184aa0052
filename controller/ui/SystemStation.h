#pragma once

#include "controller/cycle/AlsaTone.h"
#include "controller/cycle/CardReaderSession.h"
#include "controller/cycle/DoorRelay.h"
#include "controller/cycle/StationDevices.h"
#include "controller/ui/OffThreadTone.h"
#include "controller/ui/WindowSleeper.h"

namespace tarvo {

// The real devices of a door station: the first PC/SC reader, the relay on "COM9:" (or the
// device TARVO_RELAY_PORT names), the loudspeaker, the wall clock, standard output, and
// "Alumnos.mdb" in the working directory. The cycle's and the reader's pauses and the beep keep
// the window running while they last.
class SystemStation {
  public:
    SystemStation();
    StationDevices Devices();
    // The window is closing: the pause under way and any later one end at once.
    void EndPauses() { m_pauses.EndPauses(); }

  private:
    WindowSleeper m_pauses;
    CardReaderFactory m_readers;
    DoorRelay m_relay;
    // Played on its own thread, where a plain blocking wait pads a tone that ended early.
    AlsaTone m_speaker;
    OffThreadTone m_tone;
    SystemClock m_clock;
};

}  // namespace tarvo
