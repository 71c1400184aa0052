// A door station whose server stops, freezes or cuts its connection: each card's tick ends well
// within a second or two, the card decided on the station's copy of the students while the
// copy is younger than the site's limit (and refused past it), every grant recorded exactly
// once after recovery, and the station back within its reconnection pause of the server
// without restarting anything. The station is the real controller cycle with its devices
// faked, on a cluster of this test's own that it stops, pauses (SIGSTOP) and starts again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <functional>

#include "TestServer.h"
#include "accessdb/Connection.h"
#include "accessdb/StationDatabase.h"
#include "accessdb/Timetables.h"
#include "accessdb/postgres/ServerLink.h"
#include "support/TempFolder.h"
#include "tests/controller/cycle/CycleFakes.h"
#include "timetables/TimetableDecision.h"

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
    int Accesses() const { return Count("picadas"); }
    // Attempts decided on the station's copy.
    int OfflineAttempts() const { return Count("intentos WHERE motivo LIKE '%sin servidor%'"); }
    void Run(const std::string& sql) const { testserver::Sql(Address(), sql); }

  private:
    int Count(const std::string& from) const {
        const Rows rows = testserver::Sql(Address(), "SELECT count(*) FROM " + from);
        return rows.size() == 1 ? std::stoi(rows.front()) : -1;
    }
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
        : location(StorageLocation::Server(cluster.Address())) {
        clock.now = std::time(nullptr);
    }

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
    // The station's copy read from the server now, as its keeper does every minute.
    void RefreshCopy() { ASSERT_TRUE(cycle.Keeper().Pass()) << cycle.Keeper().LastProblem(); }

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
    TempFolder state;
    ControllerCycle cycle{CycleServices{
        screen,
        messages,
        {readers, door, tone, sleeper, clock, out, location, "p5", state.Path(), 0s}}};
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
    // Cards while the server is away: each decided on the copy, its door opened, no box, and
    // no tick anywhere near the old deadlines.
    void ExpectDecidedOnTheCopy(int cards) {
        for (int card = 0; card < cards; ++card) {
            const std::size_t doors = station.door.opened.size();
            EXPECT_LT(station.PresentCard(), kSlack);
            EXPECT_TRUE(station.messages.shown.empty()) << station.messages.shown.front();
            EXPECT_EQ(station.door.opened.size(), doors + 1);
        }
        EXPECT_NE(station.out.str().find("Sin conexión con el servidor desde"), std::string::npos);
        EXPECT_TRUE(station.screen.state.starts_with("Sin servidor desde")) << station.screen.state;
    }
    // Once the server is back: the station has its session again within its pause (after the
    // connect deadline of an attempt that was waiting on the frozen server), and at its ticks
    // writes what it owed, each record once.
    void ExpectBackWithinThePause() {
        const Clock::time_point back = Clock::now();
        station.readers.Then(ReaderTick{NoCard});
        while (Clock::now() - back <
                   postgres::kConnectDeadline + StationDatabase::Backoff(10) + 5s + kSlack &&
               !station.screen.state.empty()) {
            const Clock::time_point tick = Clock::now();
            station.cycle.OnTimer('5');
            EXPECT_LT(Clock::now() - tick, kSlack);
            usleep(200000);
        }
        EXPECT_EQ(station.screen.state, "");
    }

    static std::unique_ptr<OwnCluster> shared;
    OwnCluster& cluster = *shared;
    ServerStation station{cluster};
    const int accessesAtStart = cluster.Accesses();
    const int offlineAtStart = cluster.OfflineAttempts();
};
std::unique_ptr<OwnCluster> ServerOutage::shared;

}  // namespace

TEST_F(ServerOutage, AFrozenServerCostsOneCardTheDeadlineAndTheCopyDecidesTheNext) {
    station.RefreshCopy();
    ExpectNextCardRecorded();
    cluster.Pause();
    ExpectDecidedOnTheCopy(4);
    cluster.Resume();
    cluster.AwaitAbandonedSessions();
    ExpectBackWithinThePause();
    EXPECT_NE(station.out.str().find("Conexión con el servidor recuperada"), std::string::npos);
    // Each grant once, the one before the pause and the four on the copy, marked as such among
    // the attempts.
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 5);
    EXPECT_EQ(cluster.OfflineAttempts(), offlineAtStart + 4);
    ExpectNextCardRecorded();
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

// The door had opened when the server froze. The record may still land: the frozen server had
// the statement in hand and carries it out when it goes on; the station's journal still owes
// it, and the database refuses its key a second time. Once, either way.
TEST_F(ServerOutage, AServerFrozenBetweenLookupAndRecordGetsTheGrantOnce) {
    station.door.whileOpening = [&] { cluster.Pause(); };
    EXPECT_LT(station.PresentCard(), kSlack);
    EXPECT_TRUE(station.messages.shown.empty()) << station.messages.shown.front();
    EXPECT_EQ(station.door.opened, "5");
    cluster.Resume();
    cluster.AwaitAbandonedSessions();
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 1);
}

// A station that never had a copy cannot decide without its server: told at once, nothing
// opened; once the server is back, the card goes through.
TEST_F(ServerOutage, AStationWithoutACopyRefusesAtOnceUntilItsServerIsBack) {
    cluster.Stop();
    EXPECT_LT(station.PresentCard(), kSlack);
    EXPECT_TRUE(station.Shown("no tiene copia de los alumnos")) << station.statusAfterCard;
    EXPECT_EQ(station.statusAfterCard, station.messages.shown.back());
    EXPECT_EQ(station.door.opened, "");
    EXPECT_NE(station.screen.state.find("sin copia de los alumnos"), std::string::npos)
        << station.screen.state;
    cluster.Start();
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart);
    ExpectNextCardRecorded();
}

TEST_F(ServerOutage, AServerStoppedBetweenLookupAndRecordGetsTheGrantOnceItIsBack) {
    station.RefreshCopy();
    station.door.whileOpening = [&] { cluster.Stop(); };
    EXPECT_LT(station.PresentCard(), kSlack + kSlack);  // the stop itself is part of the tick
    EXPECT_EQ(station.door.opened, "5");
    ExpectDecidedOnTheCopy(2);
    cluster.Start();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart);
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 3);
    EXPECT_EQ(cluster.OfflineAttempts(), offlineAtStart + 2);
}

// The server ends the station's connection (an administrator, a restart of the pooler) between
// cards and in the middle of one: no card fails for it, and the grant is recorded once.
TEST_F(ServerOutage, AConnectionTheServerCutsCostsNoCardAndNoRecord) {
    station.RefreshCopy();
    ExpectNextCardRecorded();
    const std::string cut =
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE backend_type ="
        " 'client backend' AND pid <> pg_backend_pid()";
    cluster.Run(cut);
    ExpectNextCardRecorded();
    station.door.whileOpening = [&] { cluster.Run(cut); };
    EXPECT_LT(station.PresentCard(), kSlack);
    EXPECT_TRUE(station.messages.shown.empty()) << station.messages.shown.front();
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 3);
}

// The copy carries the timetables: a card they turn away with the server is turned away
// without it, and recorded so once the server is back.
TEST_F(ServerOutage, TheCopyDecidesWithTheTimetables) {
    Connection console = Connection::Open(station.location, OpenMode::ExistingOnly);
    TimetableStore timetables(console.Session());
    Timetable never;
    never.nombre = "Nunca";
    timetables.Save(never);
    timetables.AssignStudent("12345678", "Nunca");
    station.RefreshCopy();
    cluster.Stop();
    EXPECT_LT(station.PresentCard(), kSlack);
    EXPECT_EQ(station.door.opened, "");
    EXPECT_NE(std::find(station.journal.begin(), station.journal.end(),
                        std::string("name:") + timetables::kOutsideTimetableText),
              station.journal.end());
    cluster.Start();
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart);
    const Rows reasons = testserver::Sql(cluster.Address(),
                                         "SELECT motivo FROM intentos ORDER BY orden DESC LIMIT 1");
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_TRUE(reasons[0].starts_with("horario Nunca; sin servidor, copia del ")) << reasons[0];
    Connection again = Connection::Open(station.location, OpenMode::ExistingOnly);
    TimetableStore(again.Session()).UnassignStudent("12345678");
}

// The copy decides for as long as the site's limit and not a second more (the station's
// clock set across it); a limit of 0 never lets it decide.
TEST_F(ServerOutage, TheCopyDecidesUntilTheSitesLimitAndNotAfter) {
    Connection::Open(station.location, OpenMode::ExistingOnly).SetOfflineLimitHours(2);
    const std::time_t readAt = station.clock.now;
    station.RefreshCopy();
    cluster.Stop();
    station.clock.now = readAt + 2 * 3600 - 1;
    ExpectDecidedOnTheCopy(1);
    station.clock.now = readAt + 2 * 3600;
    EXPECT_LT(station.PresentCard(), kSlack);
    EXPECT_TRUE(station.Shown("pasa del límite de 2 horas")) << station.statusAfterCard;
    EXPECT_EQ(station.door.opened, "5");
    cluster.Start();
    Connection::Open(station.location, OpenMode::ExistingOnly).SetOfflineLimitHours(0);
    station.RefreshCopy();
    cluster.Stop();
    station.clock.now += 1;
    station.PresentCard();
    EXPECT_TRUE(station.Shown("no permite")) << station.statusAfterCard;
    EXPECT_EQ(station.door.opened, "5");
    cluster.Start();
    Connection::Open(station.location, OpenMode::ExistingOnly)
        .SetOfflineLimitHours(kDefaultOfflineHours);
    ExpectBackWithinThePause();
    EXPECT_EQ(cluster.Accesses(), accessesAtStart + 1);
}
