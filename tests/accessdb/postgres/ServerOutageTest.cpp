// A door station whose server stops or freezes: the card's tick ends within the deadline with
// the failure shown, the cards after it fail at once while the station reaches the server
// again in the background, nothing is recorded that did not happen, and the station is back
// within its reconnection pause of the server without restarting anything. The station is the
// real controller cycle with its devices faked, on a cluster of this test's own that it stops,
// pauses (SIGSTOP) and starts again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "TestServer.h"
#include "accessdb/Connection.h"
#include "accessdb/StationDatabase.h"
#include "accessdb/postgres/ServerLink.h"
#include "tests/controller/cycle/CycleFakes.h"

using namespace accessdb;
// The controller's types, whether or not they sit in a namespace of their own.
namespace tarvo {}
using namespace tarvo;
using namespace cyclefakes;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Room for the scheduler on a busy two-core machine, on top of a deadline.
constexpr auto kSlack = 2s;

// A cluster below the run's shared one, so that the run's clean-up removes it even when this
// test dies.
class OwnCluster {
  public:
    OwnCluster() : m_folder(testserver::ClusterFolder() + "/outage-" + std::to_string(getpid())) {
        Script("start");
        Connection console =
            Connection::Open(StorageLocation::Server(Address()), OpenMode::CreateIfMissing);
        console.AddStudent(Student());
        console.SaveStudent(Student("1,5,8"));  // Ana may pass door 5
    }
    ~OwnCluster() { Script("destroy"); }
    OwnCluster(const OwnCluster&) = delete;
    OwnCluster& operator=(const OwnCluster&) = delete;

    void Start() { Script("start"); }
    void Stop() { Script("stop"); }
    void Pause() { Script("pause"); }
    void Resume() { Script("resume"); }

    std::string Address() const { return testserver::ReadFile(m_folder + "/connection"); }
    // Until every other session has ended: a connection the station abandoned on a frozen
    // server may still carry out the statement it had in hand once the server goes on.
    void AwaitAbandonedSessions() const {
        const Clock::time_point giveUp = Clock::now() + 10s;
        while (testserver::Sql(Address(),
                               "SELECT count(*) FROM pg_stat_activity WHERE backend_type ="
                               " 'client backend' AND pid <> pg_backend_pid()") != Rows{"0"} &&
               Clock::now() < giveUp) {
            usleep(20000);
        }
    }
    int Accesses() const {
        const Rows rows = testserver::Sql(Address(), "SELECT count(*) FROM picadas");
        return rows.size() == 1 ? std::stoi(rows.front()) : -1;
    }

  private:
    void Script(const std::string& command) const {
        const std::string line = "'" + testserver::ScriptsFolder() + "/pg-cluster.sh' " + command +
                                 " '" + m_folder + "'" +
                                 (command == "start" ? " -c fsync=off >/dev/null" : "");
        if (std::system(line.c_str()) != 0) {
            throw std::runtime_error("failed: " + line);
        }
    }
    std::string m_folder;
};

// A relay that lets the test act between the card's lookup and its access record.
struct HookedDoor : DoorOpener {
    DoorOutcome OpenDoor(char doorDigit) override {
        opened.push_back(doorDigit);
        if (whileOpening) {
            whileOpening();
            whileOpening = nullptr;
        }
        return {true, {}};
    }
    std::string opened;
    std::function<void()> whileOpening;
};

// One door station at door 5 on the cluster, with every other device faked.
struct ServerStation {
    explicit ServerStation(const OwnCluster& cluster)
        : location(StorageLocation::Server(cluster.Address())) {}

    // A card inserted and handled on one tick, then taken out; the card's tick's duration.
    Clock::duration PresentCard() {
        messages.shown.clear();
        readers.Then(ReaderTick{CardConnected});
        const Clock::time_point started = Clock::now();
        cycle.OnTimer('5');
        const Clock::duration took = Clock::now() - started;
        handledAfterCard = cycle.CardHandled();
        statusAfterCard = screen.status;
        readers.Then(ReaderTick{NoCard});
        cycle.OnTimer('5');
        return took;
    }
    bool Shown(const std::string& words) const {
        return !messages.shown.empty() && messages.shown.back().find(words) != std::string::npos;
    }

    StorageLocation location;
    Journal journal;
    FakeScreen screen{journal};
    FakeMessages messages{journal};
    ScriptedReaders readers{journal};
    HookedDoor door;
    FakeTone tone;
    FakeSleeper sleeper;
    FakeClock clock;
    std::ostringstream out;
    ControllerCycle cycle{
        CycleServices{screen, messages, {readers, door, tone, sleeper, clock, out, location}}};
    int handledAfterCard = 0;
    std::string statusAfterCard;
};

class ServerOutage : public ::testing::Test {
  protected:
    // One cluster for the suite: starting one takes longer than any case here.
    static void SetUpTestSuite() { shared = std::make_unique<OwnCluster>(); }
    static void TearDownTestSuite() { shared.reset(); }

    // The card after an outage: granted and recorded at once.
    void ExpectNextCardRecorded() {
        const int before = cluster.Accesses();
        const std::size_t doors = station.door.opened.size();
        station.PresentCard();
        EXPECT_TRUE(station.messages.shown.empty()) << station.messages.shown.front();
        EXPECT_EQ(station.door.opened.size(), doors + 1);
        EXPECT_EQ(cluster.Accesses(), before + 1);
    }
    // Once the server is back: the station has its session again within its pause (after the
    // connect deadline of an attempt that was waiting on the frozen server), the cards
    // meanwhile failing at once; the card that goes through opens its door and writes what the
    // station owed with its own access.
    void ExpectBackWithinThePause() {
        const Clock::time_point back = Clock::now();
        while (Clock::now() - back <
               postgres::kConnectDeadline + StationDatabase::Backoff(10) + kSlack) {
            const Clock::duration took = station.PresentCard();
            if (station.messages.shown.empty()) {
                break;
            }
            EXPECT_LT(took, 1s);
            EXPECT_TRUE(station.Shown("la recupera por sí solo")) << station.statusAfterCard;
            usleep(100000);
        }
        EXPECT_TRUE(station.messages.shown.empty()) << station.messages.shown.front();
        EXPECT_EQ(station.door.opened.back(), '5');
    }

    static std::unique_ptr<OwnCluster> shared;
    OwnCluster& cluster = *shared;
    ServerStation station{cluster};
    const int accessesAtStart = cluster.Accesses();
};
std::unique_ptr<OwnCluster> ServerOutage::shared;

}  // namespace

TEST_F(ServerOutage, AFrozenServerCostsOneCardTheDeadlineAndTheNextNone) {
    ExpectNextCardRecorded();
    cluster.Pause();
    const Clock::duration took = station.PresentCard();
    EXPECT_LT(took, postgres::kStatementDeadline + kSlack);
    // As a failed lookup: the description in a box; nothing else happened.
    EXPECT_TRUE(station.Shown("no ha respondido")) << station.statusAfterCard;
    EXPECT_EQ(station.handledAfterCard, 1);
    EXPECT_EQ(station.door.opened, "5");
    // The cards that follow while it is frozen are told at once.
    for (int card = 0; card < 3; ++card) {
        EXPECT_LT(station.PresentCard(), 1s);
        EXPECT_TRUE(station.Shown("la recupera por sí solo")) << station.statusAfterCard;
    }
    cluster.Resume();
    cluster.AwaitAbandonedSessions();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 1);
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 2);
}

// One server process serves the station card after card; a server restarted between two cards
// costs the second nothing (its first read finds the connection lost and makes it again).
TEST_F(ServerOutage, CardsShareOneSessionThatOutlivesARestartBetweenThem) {
    StationDatabase database(StorageLocation::Server(cluster.Address()));
    const auto backend = [&] {
        Connection card = database.ForCard();
        return QueryNumber(card.Session(), "SELECT pg_backend_pid()");
    };
    const std::int64_t first = backend();
    EXPECT_EQ(backend(), first);
    EXPECT_EQ(backend(), first);

    ExpectNextCardRecorded();
    cluster.Stop();
    cluster.Start();
    ExpectNextCardRecorded();
    EXPECT_NE(backend(), first);
}

TEST_F(ServerOutage, AServerFrozenBetweenLookupAndRecordCostsTheStatementDeadline) {
    station.door.whileOpening = [&] { cluster.Pause(); };
    const Clock::duration took = station.PresentCard();
    cluster.Resume();
    cluster.AwaitAbandonedSessions();
    EXPECT_LT(took, postgres::kStatementDeadline + kSlack);
    EXPECT_TRUE(station.Shown("no ha respondido")) << station.messages.shown.size();
    EXPECT_EQ(station.handledAfterCard, 1);
    // The door had opened. The record may still land: the frozen server had the statement in
    // hand and carries it out when it goes on; the station's journal still owes it, and the
    // database refuses its key a second time. Once, either way.
    EXPECT_EQ(station.door.opened, "5");
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 2);
}

TEST_F(ServerOutage, AStoppedServerIsReportedAtOnceAndTheStationIsBackSoonAfterItsStart) {
    cluster.Stop();
    const Clock::duration took = station.PresentCard();
    EXPECT_LT(took, kSlack);
    EXPECT_TRUE(station.Shown("Compruebe la red")) << station.statusAfterCard;
    EXPECT_EQ(station.statusAfterCard, station.messages.shown.back());
    EXPECT_EQ(station.handledAfterCard, 1);
    EXPECT_EQ(station.door.opened, "");
    cluster.Start();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart);
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 1);
}

TEST_F(ServerOutage, AServerStoppedBetweenLookupAndRecordGetsTheGrantOnceItIsBack) {
    station.door.whileOpening = [&] { cluster.Stop(); };
    const Clock::duration took = station.PresentCard();
    EXPECT_LT(took, kSlack + kSlack);  // the stop itself is part of the tick here
    EXPECT_TRUE(station.Shown("perdido la conexión")) << station.messages.shown.size();
    EXPECT_EQ(station.door.opened, "5");
    cluster.Start();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart);
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 2);  // the owed grant, then the new card's
}
