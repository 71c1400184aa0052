// One card's controller tick (poll, read, decision, door command, access record, log line) with
// the reader, relay, tone and waits faked, against the bare SQLite floor: open, one prepared
// SELECT, one INSERT in a transaction, close, with the same journal and sync settings.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <ostream>
#include <streambuf>

#include "BenchData.h"
#include "controller/cycle/ControllerCycle.h"

namespace {

// The station's devices, answering at once.
class NullScreen : public CycleScreen {
  public:
    void SetDniField(std::string_view) override {}
    void SetNameField(std::string_view) override {}
    void ShowStatus(std::string_view) override {}
    void ShowLog(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

class CountingMessages : public MessageBox {
  public:
    void ShowMessage(std::string_view) override { ++shown; }
    int shown = 0;
};

class CardInReader : public CardSession {
  public:
    explicit CardInReader(std::string dni) : m_dni(std::move(dni)) {}
    ReaderEvent Poll() override { return CardConnected; }
    int ReadDni(std::string& bytes) override {
        bytes = "\x01\x08" + m_dni + std::string(1, '\0');
        return 1;
    }
    void ReleaseCard() override {}
    void Close() override {}

  private:
    std::string m_dni;
};

class OneCardReaders : public ReaderFactory {
  public:
    std::unique_ptr<CardSession> NewSession() override {
        return std::make_unique<CardInReader>(dni);
    }
    std::string dni;
};

class OpenedDoor : public DoorOpener {
  public:
    DoorOutcome OpenDoor(char) override { return {true, {}}; }
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

long long g_card = 0;
std::string NextCardDni(long students) { return bench::Dni((g_card++ * 7919) % students); }

void CardTick(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    NullScreen screen;
    CountingMessages messages;
    OneCardReaders readers;
    OpenedDoor door;
    SilentTone tone;
    NoWait sleeper;
    FixedClock clock;
    DiscardBuffer discard;
    std::ostream out(&discard);
    for (auto _ : state) {
        readers.dni = NextCardDni(state.range(0));
        // A fresh cycle sees every card as a new insertion.
        ControllerCycle cycle(
            CycleServices{screen, messages, {readers, door, tone, sleeper, clock, out, file}});
        cycle.OnTimer('5');
        if (cycle.Log().Count() != 1 || messages.shown != 0) {
            state.SkipWithError("the card was not processed");
            break;
        }
    }
}

void CardFloor(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    for (auto _ : state) {
        bench::CardFloorOnce(file, NextCardDni(state.range(0)), "11/03/2026", "09:41:00");
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    bench::ApplySizes(b, {10'000, 100'000}, {1'000'000, 1'000'000});
}

}  // namespace

BENCHMARK(CardTick)->Apply(Sizes);
BENCHMARK(CardFloor)->Apply(Sizes);
BENCHMARK_MAIN();
