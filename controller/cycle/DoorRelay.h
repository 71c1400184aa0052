#pragma once

#include <string>
#include <string_view>

#include "controller/cycle/DoorOpener.h"

namespace tarvo {

// The relay controller on the serial port "COM9:": one byte, the door number, per granted
// access, at 4800 baud, 8 data bits, no parity, 2 stop bits. The port is held only for that
// one byte, so another program may use it between grants.
class DoorRelay : public DoorOpener {
  public:
    static constexpr std::string_view kPortName = "COM9:";
    // Names another device for the relay (a USB serial adapter, a pseudo-terminal).
    static constexpr const char* kPortVariable = "TARVO_RELAY_PORT";

    explicit DoorRelay(std::string devicePath) : m_devicePath(std::move(devicePath)) {}
    // The device of TARVO_RELAY_PORT when set, else the device of "COM9:".
    static DoorRelay FromEnvironment();
    // "COMn:" is the n-th serial port, /dev/ttyS(n-1); any other name is taken as a path.
    static std::string DevicePathFor(std::string_view portName);

    // Opens the port exclusively, applies the line settings, writes the byte, waits until it has
    // left and closes the port. Every step is checked: a missing, busy or failing port is
    // reported, never passed off as an opened door.
    DoorOutcome OpenDoor(char doorDigit) override;

    const std::string& DevicePath() const { return m_devicePath; }

  private:
    std::string m_devicePath;
};

}  // namespace tarvo
