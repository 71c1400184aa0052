#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <cstdlib>
#include <sstream>

#include "controller/cycle/ControllerCycle.h"
#include "controller/cycle/DoorRelay.h"
#include "tests/controller/cycle/CycleFakes.h"
#include "tests/fixtures/relay/PtyPair.h"

namespace {

using namespace std::chrono_literals;
using namespace cyclefakes;

class DoorRelayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(line.Ready()) << "socat did not make the pseudo-terminal pair";
        line.SetRelayTo9600OneStopBit();
    }

    TempFolder folder;
    PtyPair line{folder.Path()};
};

TEST_F(DoorRelayTest, GrantAtDoorFivePutsExactlyOneByteOnTheLineAt4800TwoStopBits) {
    DoorRelay relay(line.RelayPath().string());
    const DoorOutcome outcome = relay.OpenDoor('5');
    EXPECT_TRUE(outcome.opened) << outcome.failure;
    EXPECT_EQ(line.ReadPeer(2000ms), std::string(1, '\x05'));

    const termios settings = line.RelaySettings();
    EXPECT_EQ(cfgetospeed(&settings), B4800);
    EXPECT_NE(settings.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & PARENB, 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);  // the byte goes out untranslated
}

TEST_F(DoorRelayTest, EveryGrantOpensSetsUpAndWritesAgain) {
    DoorRelay relay(line.RelayPath().string());
    EXPECT_TRUE(relay.OpenDoor('1').opened);
    EXPECT_EQ(line.ReadPeer(2000ms), std::string(1, '\x01'));
    // Someone else used the port in between and left other settings.
    line.SetRelayTo9600OneStopBit();
    EXPECT_TRUE(relay.OpenDoor('8').opened);
    EXPECT_EQ(line.ReadPeer(2000ms), std::string(1, '\x08'));
    const termios settings = line.RelaySettings();
    EXPECT_EQ(cfgetospeed(&settings), B4800);
    EXPECT_NE(settings.c_cflag & CSTOPB, 0u);
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

TEST(DoorRelayPathTest, MissingDeviceIsReportedWithItsPath) {
    const DoorOutcome outcome = DoorRelay("/dev/tarvo-no-such-relay").OpenDoor('5');
    EXPECT_FALSE(outcome.opened);
    EXPECT_NE(outcome.failure.find("/dev/tarvo-no-such-relay"), std::string::npos);
}

TEST(DoorRelayPathTest, ComPortsAreTheSerialDevicesAndTheVariableNamesAnother) {
    EXPECT_EQ(DoorRelay::DevicePathFor("COM9:"), "/dev/ttyS8");
    EXPECT_EQ(DoorRelay::DevicePathFor("COM1"), "/dev/ttyS0");
    EXPECT_EQ(DoorRelay::DevicePathFor("/dev/ttyUSB0"), "/dev/ttyUSB0");

    const char* saved = std::getenv(DoorRelay::kPortVariable);
    const std::string previous = saved != nullptr ? saved : "";
    unsetenv(DoorRelay::kPortVariable);
    EXPECT_EQ(DoorRelay::FromEnvironment().DevicePath(), "/dev/ttyS8");
    setenv(DoorRelay::kPortVariable, "/tmp/ttyRELAY", 1);
    EXPECT_EQ(DoorRelay::FromEnvironment().DevicePath(), "/tmp/ttyRELAY");
    if (saved != nullptr) {
        setenv(DoorRelay::kPortVariable, previous.c_str(), 1);
    } else {
        unsetenv(DoorRelay::kPortVariable);
    }
}

// The cycle driving the real relay.
class CycleOnRelayTest : public DoorRelayTest {
  protected:
    void SetUp() override {
        DoorRelayTest::SetUp();
        AddStudents(database, {Student("12345678", "Ana", "Pérez", "5")});
        readers.Then({CardConnected});
    }
    void CardAt(DoorRelay& relay, char doorDigit) {
        ControllerCycle cycle(
            CycleServices{screen, messages, readers, relay, tone, sleeper, clock, out, database});
        cycle.OnTimer(doorDigit);
        logLine = cycle.Log().Count() == 1 ? cycle.Log().Line(0) : "";
    }

    std::filesystem::path database = folder / "Alumnos.mdb";
    Journal journal;
    FakeScreen screen{journal};
    FakeMessages messages{journal};
    ScriptedReaders readers{journal};
    FakeTone tone;
    FakeSleeper sleeper;
    FakeClock clock;
    std::ostringstream out;
    std::string logLine;
};

TEST_F(CycleOnRelayTest, DenialLeavesThePortUntouched) {
    DoorRelay relay(line.RelayPath().string());
    CardAt(relay, '3');
    EXPECT_TRUE(logLine.ends_with("\tDENEGADO\r\n"));
    EXPECT_EQ(line.ReadPeer(300ms), "");
    const termios settings = line.RelaySettings();
    EXPECT_EQ(cfgetospeed(&settings), B9600);  // never opened, so never set up
    EXPECT_EQ(settings.c_cflag & CSTOPB, 0u);
}

TEST_F(CycleOnRelayTest, NoDeviceIsReportedAndTheAccessIsStillRecorded) {
    DoorRelay relay((folder / "no-relay-here").string());
    CardAt(relay, '5');
    EXPECT_EQ(screen.status, "No se ha podido abrir la puerta 5.");
    EXPECT_NE(out.str().find("no-relay-here"), std::string::npos);
    EXPECT_EQ(AccessRows(database), std::vector<std::string>{"12345678| 5/03/2024|09:41:07|5"});
    EXPECT_TRUE(logLine.ends_with("\tVALIDO\r\n"));
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
