#pragma once

#include "controller/cycle/AlsaTone.h"
#include "controller/cycle/CardReaderSession.h"
#include "controller/cycle/DoorRelay.h"
#include "controller/cycle/StationDevices.h"

namespace tarvo {

// The real devices of a door station: the first PC/SC reader, the relay on "COM9:" (or the
// device TARVO_RELAY_PORT names), the loudspeaker, the wall clock, standard output, and
// "Alumnos.mdb" in the working directory.
class SystemStation {
  public:
    SystemStation();
    StationDevices Devices();

  private:
    CardReaderFactory m_readers;
    DoorRelay m_relay;
    AlsaTone m_tone;
    SystemClock m_clock;
};

}  // namespace tarvo
