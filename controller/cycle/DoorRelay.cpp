#include "DoorRelay.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "controller/cycle/UniqueFd.h"

namespace tarvo {

namespace {

// How long the byte may take to leave the port. It needs about 2.3 ms at 4800 baud; a port
// stalled by flow control must not hold the door station for ever.
constexpr auto kSendDeadline = std::chrono::milliseconds(1000);

std::string Failure(const std::string& device, const char* step, int error) {
    return device + ": " + step + ": " + std::strerror(error);
}

// The port's own settings with the relay's line settings and raw transfer applied; flow control
// and the special characters stay as the port reports them.
void ApplyRelaySettings(termios& settings) {
    settings.c_iflag &=
        ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | INPCK);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD);
    // The relay has no modem lines: without CLOCAL a port with no carrier would not send.
    settings.c_cflag |= CS8 | CSTOPB | CREAD | CLOCAL;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, B4800);
    cfsetospeed(&settings, B4800);
}

bool SettingsTookEffect(const termios& settings) {
    return cfgetospeed(&settings) == B4800 && (settings.c_cflag & CSTOPB) != 0 &&
           (settings.c_cflag & CSIZE) == CS8 && (settings.c_cflag & PARENB) == 0;
}

bool WaitUntilSent(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kSendDeadline;
    for (;;) {
        int pending = 0;
        if (ioctl(fd, TIOCOUTQ, &pending) != 0 || pending <= 0) {
            return tcdrain(fd) == 0;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

DoorRelay DoorRelay::FromEnvironment() {
    const char* port = std::getenv(kPortVariable);
    if (port != nullptr && *port != '\0') {
        return DoorRelay(DevicePathFor(port));
    }
    return DoorRelay(DevicePathFor(kPortName));
}

std::string DoorRelay::DevicePathFor(std::string_view portName) {
    if (portName.size() >= 4 && portName.substr(0, 3) == "COM") {
        std::string_view digits = portName.substr(3);
        if (!digits.empty() && digits.back() == ':') {
            digits.remove_suffix(1);
        }
        int number = 0;
        bool numeric = !digits.empty();
        for (char c : digits) {
            numeric = numeric && c >= '0' && c <= '9';
            number = number * 10 + (c - '0');
        }
        if (numeric && number >= 1) {
            return "/dev/ttyS" + std::to_string(number - 1);
        }
    }
    return std::string(portName);
}

DoorOutcome DoorRelay::OpenDoor(char doorDigit) {
    if (doorDigit < '1' || doorDigit > '8') {
        return {false, m_devicePath + ": no hay puerta '" + std::string(1, doorDigit) + "'"};
    }
    // Non-blocking open: a serial port without carrier would otherwise block the open itself.
    UniqueFd port(::open(m_devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!port.Valid()) {
        return {false, Failure(m_devicePath, "open", errno)};
    }
    // Exclusive use: another program holding the port makes the command fail, not interleave.
    if (flock(port.Get(), LOCK_EX | LOCK_NB) != 0) {
        return {false, Failure(m_devicePath, "lock", errno)};
    }
    if (ioctl(port.Get(), TIOCEXCL) != 0) {
        return {false, Failure(m_devicePath, "exclusive", errno)};
    }
    struct ReleaseExclusive {
        int fd;
        ~ReleaseExclusive() { ioctl(fd, TIOCNXCL); }
    } releaseExclusive{port.Get()};

    termios settings{};
    if (tcgetattr(port.Get(), &settings) != 0) {
        return {false, Failure(m_devicePath, "tcgetattr", errno)};
    }
    ApplyRelaySettings(settings);
    if (tcsetattr(port.Get(), TCSANOW, &settings) != 0) {
        return {false, Failure(m_devicePath, "tcsetattr", errno)};
    }
    // tcsetattr succeeds when any one of the changes was made: read them back.
    termios applied{};
    if (tcgetattr(port.Get(), &applied) != 0 || !SettingsTookEffect(applied)) {
        return {false, m_devicePath + ": el puerto no acepta 4800 baudios, 8N2"};
    }

    const unsigned char command = static_cast<unsigned char>(doorDigit - '0');
    ssize_t written = -1;
    do {
        written = ::write(port.Get(), &command, 1);
    } while (written < 0 && errno == EINTR);
    if (written != 1) {
        return {false, Failure(m_devicePath, "write", written < 0 ? errno : EIO)};
    }
    if (!WaitUntilSent(port.Get())) {
        tcflush(port.Get(), TCOFLUSH);
        return {false, m_devicePath + ": el byte no ha salido del puerto"};
    }
    return {true, {}};
}

}  // namespace tarvo
