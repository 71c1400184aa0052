#include "SystemStation.h"

#include <iostream>

#include "accessdb/Connection.h"
#include "controller/journal/StationJournal.h"

namespace tarvo {

SystemStation::SystemStation()
    : m_readers(SystemPcsc(), std::cout, m_pauses),
      m_relay(DoorRelay::FromEnvironment()),
      m_speaker(SystemSleeper()),
      m_tone(m_speaker) {}

StationDevices SystemStation::Devices() {
    return {m_readers,
            m_relay,
            m_tone,
            m_pauses,
            m_clock,
            std::cout,
            accessdb::StorageLocation::FromEnvironment(accessdb::kDatabaseFileName),
            StationName(),
            StateFolder()};
}

}  // namespace tarvo
