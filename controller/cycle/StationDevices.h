#pragma once

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>

#include "accessdb/StorageLocation.h"
#include "controller/card/Sleeper.h"
#include "controller/cycle/CardSession.h"
#include "controller/cycle/ClockFields.h"
#include "controller/cycle/DoorOpener.h"
#include "controller/cycle/StationName.h"
#include "controller/cycle/Tone.h"

namespace tarvo {

// What the door station's controller drives besides its window. The database is opened per
// card at this location (a file name relative to the working directory, never created, or the
// site's server); the station's name goes with every attempt it records; its journal of the
// records it owes and, on a server, its copy of the students live in the state folder (none:
// kept in memory only).
struct StationDevices {
    ReaderFactory& readers;
    DoorOpener& door;
    Tone& tone;
    Sleeper& sleeper;
    const ClockSource& clock;
    std::ostream& out;
    accessdb::StorageLocation database;
    std::string station = StationName();
    std::filesystem::path stateFolder = {};
    // How often the station reports to the site and checks its copy of the students (zero:
    // never on its own, for tests that make each pass themselves).
    std::chrono::seconds reportEvery{60};
};

}  // namespace tarvo
