#include "SystemStation.h"

#include <iostream>

#include "accessdb/Connection.h"
#include "controller/journal/StationJournal.h"

namespace tarvo {

SystemStation::SystemStation()
    : m_readers(SystemPcsc(), std::cout, SystemSleeper()),
      m_relay(DoorRelay::FromEnvironment()),
      m_tone(SystemSleeper()) {}

StationDevices SystemStation::Devices() {
    return {m_readers,
            m_relay,
            m_tone,
            SystemSleeper(),
            m_clock,
            std::cout,
            accessdb::StorageLocation::FromEnvironment(accessdb::kDatabaseFileName),
            StationName(),
            StateFolder()};
}

}  // namespace tarvo
