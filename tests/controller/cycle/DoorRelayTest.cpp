#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include "controller/cycle/DoorRelay.h"
#include "tests/controller/cycle/CycleFakes.h"
#include "tests/fixtures/relay/PtyPair.h"

using namespace tarvo;

namespace {

using namespace std::chrono_literals;
using namespace cyclefakes;

// The cycle driving the real relay on a socat pseudo-terminal pair, left at 9600 baud and one
// stop bit as another program would leave it.
class DoorRelayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(line.Ready()) << "socat did not make the pseudo-terminal pair";
        line.SetRelayTo9600OneStopBit();
    }
    // One card of Ana's at this door, through the cycle.
    std::unique_ptr<Station> CardAt(const std::filesystem::path& device, char doorDigit) {
        relay = std::make_unique<DoorRelay>(device.string());
        auto station = std::make_unique<Station>(relay.get());
        station->readers.Then({CardConnected});
        station->cycle.OnTimer(doorDigit);
        return station;
    }

    TempFolder folder;
    PtyPair line{folder.Path()};
    std::unique_ptr<DoorRelay> relay;
};

TEST_F(DoorRelayTest, GrantPutsExactlyOneByteOnTheLineAt4800TwoStopBits) {
    const auto station = CardAt(line.RelayPath(), '5');
    EXPECT_EQ(line.ReadPeer(2000ms), std::string(1, '\x05'));
    const termios settings = line.RelaySettings();
    EXPECT_EQ(cfgetospeed(&settings), B4800);
    EXPECT_NE(settings.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);  // the byte goes out untranslated
    EXPECT_EQ(station->screen.status, "Procediendo a la lectura del dni");
}

TEST_F(DoorRelayTest, DenialLeavesThePortUntouched) {
    const auto station = CardAt(line.RelayPath(), '3');
    EXPECT_TRUE(station->cycle.Log().Line(0).ends_with("\tDENEGADO\r\n"));
    EXPECT_EQ(line.ReadPeer(300ms), "");
    const termios settings = line.RelaySettings();
    EXPECT_EQ(cfgetospeed(&settings), B9600);  // never opened, so never set up
    EXPECT_EQ(settings.c_cflag & CSTOPB, 0u);
}

TEST_F(DoorRelayTest, MissingDeviceIsReportedAndTheAccessIsStillRecorded) {
    const auto station = CardAt(folder / "no-relay-here", '5');
    EXPECT_EQ(station->screen.status, "No se ha podido abrir la puerta 5.");
    EXPECT_NE(station->out.str().find("no-relay-here"), std::string::npos);
    EXPECT_EQ(AccessRows(station->database), Rows{"12345678| 5/03/2024|09:41:07|5"});
    EXPECT_TRUE(station->cycle.Log().Line(0).ends_with("\tVALIDO\r\n"));
    EXPECT_TRUE(station->messages.shown.empty());
}

TEST_F(DoorRelayTest, PortHeldByAnotherProgramIsAFailureNotAnOpenedDoor) {
    UniqueFd other(::open(line.RelayPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
    ASSERT_TRUE(other.Valid());
    ASSERT_EQ(flock(other.Get(), LOCK_EX | LOCK_NB), 0);
    const DoorOutcome outcome = DoorRelay(line.RelayPath().string()).OpenDoor('5');
    EXPECT_FALSE(outcome.opened);
    EXPECT_NE(outcome.failure.find(line.RelayPath().string()), std::string::npos);
    EXPECT_EQ(line.ReadPeer(300ms), "");
}

TEST(DoorRelayPathTest, ComPortsAreTheSerialDevices) {
    EXPECT_EQ(DoorRelay::DevicePathFor("COM9:"), "/dev/ttyS8");
    EXPECT_EQ(DoorRelay::DevicePathFor("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DoorRelay::DevicePathFor("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

}  // namespace
