// A door station's whole work for one card, through one controller cycle that lives across all
// the cards as the station's does: the tick that sees the previous card taken out, then the
// tick that polls, reads, decides, opens, records and logs the next (reader, relay, tone and
// waits answer at once). Against the bare SQLite floor of the same card (lookup, access, attempt)
// and the bare durable append, timed alternately.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <streambuf>

#include "BenchData.h"
#include "DurableAppend.h"
#include "Rounds.h"
#include "SqliteFloor.h"
#include "controller/cycle/ControllerCycle.h"
#include "controller/cycle/StationName.h"
#include "controller/offline/StudentCopy.h"

using namespace tarvo;

namespace {

constexpr int kCardsPerRound = 20;

class NullScreen : public CycleScreen {
  public:
    void SetDniField(std::string_view) override {}
    void SetNameField(std::string_view) override {}
    void ShowStatus(std::string_view) override {}
    void ShowLog(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
    void ShowStationState(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

class CountingMessages : public MessageBox {
  public:
    void ShowMessage(std::string_view) override { ++shown; }
    int shown = 0;
};

class CardInReader : public CardSession {
  public:
    explicit CardInReader(const std::string* dni) : m_dni(dni) {}
    ReaderEvent Poll() override { return m_dni != nullptr ? CardConnected : NoCard; }
    int ReadDni(std::string& bytes) override {
        bytes = "\x01\x08" + *m_dni + std::string(1, '\0');
        return 1;
    }
    void ReleaseCard() override {}
    void Close() override {}

  private:
    const std::string* m_dni;
};

// The station's reader: a card goes in, is read, and is taken out again.
class StationReader : public ReaderFactory {
  public:
    std::unique_ptr<CardSession> NewSession() override {
        return std::make_unique<CardInReader>(m_present ? &m_dni : nullptr);
    }
    void Insert(std::string dni) {
        m_dni = std::move(dni);
        m_present = true;
    }
    void Remove() { m_present = false; }

  private:
    std::string m_dni;
    bool m_present = false;
};

class CountingDoor : public DoorOpener {
  public:
    DoorOutcome OpenDoor(char) override {
        ++opened;
        return {true, {}};
    }
    long opened = 0;
};

class SilentTone : public Tone {
  public:
    void Beep(unsigned, std::chrono::milliseconds) override {}
};

class NoWait : public Sleeper {
  public:
    void SleepMs(unsigned) override {}
};

class FixedClock : public ClockSource {
  public:
    // A Wednesday in March: no August or weekend restriction applies.
    std::time_t Now() const override {
        std::tm moment{};
        moment.tm_year = 2026 - 1900;
        moment.tm_mon = 2;
        moment.tm_mday = 11;
        moment.tm_hour = 9;
        moment.tm_min = 41;
        moment.tm_isdst = -1;
        return std::mktime(&moment);
    }
};

class DiscardBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// A station's devices that answer at once, and its services for a cycle at `database`.
struct BenchStation {
    CycleServices Services(accessdb::StorageLocation database, std::string station,
                           std::filesystem::path state = {}) {
        return {screen,
                messages,
                {reader, door, tone, sleeper, clock, out, std::move(database), std::move(station),
                 std::move(state), std::chrono::seconds(0)}};
    }
    NullScreen screen;
    CountingMessages messages;
    StationReader reader;
    CountingDoor door;
    SilentTone tone;
    NoWait sleeper;
    FixedClock clock;
    DiscardBuffer discard;
    std::ostream out{&discard};
};

void CardTick(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    bench::CardSequence cards(state.range(0));
    const bench::DurableAppend append(file.parent_path() / "durable-append");
    const std::string station = StationName();
    BenchStation devices;
    StationReader& reader = devices.reader;
    const CountingDoor& door = devices.door;
    const CountingMessages& messages = devices.messages;
    ControllerCycle cycle(devices.Services(file, station));
    long processed = 0;
    bench::CompareInRounds(
        state, kCardsPerRound,
        {"tick",
         [&] {
             const std::string dni = bench::Dni(cards.Next());
             reader.Remove();
             cycle.OnTimer('5');
             reader.Insert(dni);
             cycle.OnTimer('5');
             ++processed;
             const AccessLog& log = cycle.Log();
             const bool logged = log.Count() == std::min<long>(processed, AccessLog::kSlots) &&
                                 log.Line(log.Count() - 1).find(dni) != std::string::npos;
             if (door.opened != processed || messages.shown != 0 || !logged) {
                 throw std::runtime_error("card " + dni + " was not granted, recorded and logged");
             }
         }},
        {{"sqlite",
          [&] {
              bench::sqlite::CardOnce(file, bench::Dni(cards.Next()), "11/03/2026", "09:41:00",
                                      station.c_str());
          }},
         {"append", [&] { append.Once(); }}});
}

// The same card on a station whose server cannot be reached (nothing listens where it points),
// decided on its copy of `students` students and owed to the database in its journal: the
// offline decision's cost, against the durable append it cannot do without.
void OfflineCardTick(benchmark::State& state) {
    const long students = state.range(0);
    const std::filesystem::path folder =
        std::filesystem::path("bench-data") / ("sin-servidor-" + std::to_string(students));
    std::filesystem::remove_all(folder);
    StudentCopy copy;
    for (long n = 0; n < students; ++n) {
        copy.students.push_back({bench::Dni(n), "Ana", "Pérez", "", "1,5,", "0", "0", "0", "", ""});
    }
    copy.limitHours = 24;
    copy.currentAt = FixedClock().Now();
    const std::string station = "p5";
    SaveCopy(folder / station, copy);
    bench::CardSequence cards(students);
    const bench::DurableAppend append(folder / "durable-append");
    BenchStation devices;
    StationReader& reader = devices.reader;
    const CountingDoor& door = devices.door;
    const CountingMessages& messages = devices.messages;
    ControllerCycle cycle(
        devices.Services(accessdb::StorageLocation::Server("host=/nonexistent/tarvo-bench port=1"),
                         station, folder));
    long processed = 0;
    bench::CompareInRounds(state, kCardsPerRound,
                           {"tick",
                            [&] {
                                reader.Remove();
                                cycle.OnTimer('5');
                                reader.Insert(bench::Dni(cards.Next()));
                                cycle.OnTimer('5');
                                if (door.opened != ++processed || messages.shown != 0) {
                                    throw std::runtime_error("a card was not granted offline");
                                }
                            }},
                           {{"append", [&] { append.Once(); }}});
}

void Sizes(benchmark::internal::Benchmark* b) {
    bench::ApplySizes(b, {10'000, 100'000}, {1'000'000, 1'000'000});
}

}  // namespace

BENCHMARK(CardTick)->Apply(Sizes);
BENCHMARK(OfflineCardTick)
    ->Arg(10'000)
    ->Arg(100'000)
    ->ArgNames({"students"})
    ->Iterations(25)
    ->UseManualTime();

int main(int argc, char** argv) { return bench::Main(argc, argv); }
