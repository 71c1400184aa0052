#include "SystemStation.h"

#include <iostream>

#include "accessdb/Connection.h"

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
            accessdb::StorageLocation::FromEnvironment(accessdb::kDatabaseFileName)};
}

}  // namespace tarvo
