#pragma once

#include <filesystem>
#include <ostream>

#include "controller/card/Sleeper.h"
#include "controller/cycle/CardSession.h"
#include "controller/cycle/ClockFields.h"
#include "controller/cycle/DoorOpener.h"
#include "controller/cycle/Tone.h"

// What the door station's controller drives besides its window. The database is opened per
// card from this file name, relative to the working directory, and never created.
struct StationDevices {
    ReaderFactory& readers;
    DoorOpener& door;
    Tone& tone;
    Sleeper& sleeper;
    const ClockSource& clock;
    std::ostream& out;
    std::filesystem::path database;
};
