// A door station killed (SIGKILL) right after its relay opened the door, before anything else
// of the card ran: the access is in the journal, synced before the door, and the station
// started again records it, once. The station is the real cycle with the real relay on a
// pseudo-terminal and the real file, in a child process of its own that the test kills. And a
// file the station cannot write: its grants wait, then are recorded once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "accessdb/ChildProcess.h"
#include "controller/cycle/DoorRelay.h"
#include "fixtures/relay/PtyPair.h"
#include "tests/controller/cycle/CycleFakes.h"

using namespace tarvo;
using namespace tarvo::cyclefakes;
using namespace std::chrono_literals;

namespace {

// The real relay, after which the station runs no further: it waits to be killed.
struct DoorThenNothing : DoorOpener {
    explicit DoorThenNothing(const std::filesystem::path& port) : relay(port.string()) {}
    DoorOutcome OpenDoor(char doorDigit) override {
        relay.OpenDoor(doorDigit);
        for (;;) {
            pause();
        }
    }
    DoorRelay relay;
};

struct KilledStation {
    TempFolder folder;
    std::filesystem::path database = folder / "Alumnos.mdb";
    std::filesystem::path state = folder / "estado";
    PtyPair relay{folder.Path()};

    // The station's run: a card for door 5 and nothing more; the run ends when it is killed.
    [[noreturn]] void RunUntilKilled(int go) {
        char byte = 0;
        if (read(go, &byte, 1) != 1) {
            _exit(3);
        }
        FakeDevices devices;
        DoorThenNothing door(relay.RelayPath());
        ControllerCycle cycle{
            CycleServices{devices.screen,
                          devices.messages,
                          {devices.readers, door, devices.tone, devices.sleeper, devices.clock,
                           devices.out, database, "p5", state, 0s}}};
        devices.readers.Then(ReaderTick{CardConnected});
        cycle.OnTimer('5');
        _exit(0);  // never reached: the test kills it at the door
    }

    // The station started again on the same folders: its first tick records what it owed.
    void StartAgain() {
        FakeDevices devices;
        ControllerCycle cycle{
            CycleServices{devices.screen,
                          devices.messages,
                          {devices.readers, devices.door, devices.tone, devices.sleeper,
                           devices.clock, devices.out, database, "p5", state, 0s}}};
        cycle.OnTimer('5');
    }
};

}  // namespace

TEST(StationKilled, AGrantWhoseStationDiesAtTheDoorIsRecordedOnceAtItsNextStart) {
    KilledStation station;
    ASSERT_TRUE(station.relay.Ready());
    Register(station.database, {Student("5")});
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(go[1]);
        station.RunUntilKilled(go[0]);
    }
    close(go[0]);
    ASSERT_EQ(write(go[1], "g", 1), 1);
    close(go[1]);
    const std::string opened = station.relay.ReadPeer(20s, 1ms);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(opened.size(), 1u);  // the door opened
    EXPECT_TRUE(AccessRows(station.database).empty());
    station.StartAgain();
    EXPECT_EQ(AccessRows(station.database).size(), 1u);
    station.StartAgain();
    EXPECT_EQ(AccessRows(station.database).size(), 1u);
}

// A file the station may read but not write (as an ordinary user: root writes whatever the
// permissions say): its cards are decided and their doors opened, both grants wait in the
// journal, and once the file is writable again the station's next start records each once.
TEST(StationKilled, GrantsOnAReadOnlyFileAreRecordedOnceItIsWritableAgain) {
    KilledStation station;
    Register(station.database, {Student("5")});
    std::filesystem::create_directories(station.state);
    HandToChildUser(station.folder.Path());
    std::filesystem::permissions(station.database, std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::group_read |
                                                       std::filesystem::perms::others_read);
    const ChildOutcome outcome = InChildProcess([&] {
        FakeDevices devices;
        ControllerCycle cycle{
            CycleServices{devices.screen,
                          devices.messages,
                          {devices.readers, devices.door, devices.tone, devices.sleeper,
                           devices.clock, devices.out, station.database, "p5", station.state, 0s}}};
        for (int card = 0; card < 2; ++card) {
            devices.readers.Then(ReaderTick{CardConnected});
            devices.readers.Then(ReaderTick{NoCard});
            cycle.OnTimer('5');
            cycle.OnTimer('5');
        }
        return devices.door.opened + "|" + devices.screen.state;
    });
    EXPECT_EQ(outcome.code, 0) << outcome.output;
    EXPECT_EQ(outcome.output, "55|4 registros pendientes de anotar en la base de datos");
    EXPECT_TRUE(AccessRows(station.database).empty());
    std::filesystem::permissions(station.database, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    station.StartAgain();
    EXPECT_EQ(AccessRows(station.database).size(), 2u);
    station.StartAgain();
    EXPECT_EQ(AccessRows(station.database).size(), 2u);
}
