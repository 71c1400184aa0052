#pragma once

#include <string>

namespace tarvo {

struct DoorOutcome {
    bool opened = false;
    std::string failure;  // why the command did not reach the relay, for the diagnostic line
};

// Sends the open command for a door to the relay controller.
class DoorOpener {
  public:
    virtual ~DoorOpener() = default;
    virtual DoorOutcome OpenDoor(char doorDigit) = 0;
};

}  // namespace tarvo
