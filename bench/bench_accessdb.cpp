// What the controller does for every card and the console for every search, against the same
// work done with the bare SQLite C API on the same file and settings, and a card against the
// least a durable record costs on this disk (open, append 4 KiB, fdatasync, close).
#include <benchmark/benchmark.h>

#include <stdexcept>

#include "BenchData.h"
#include "DurableAppend.h"
#include "Rounds.h"
#include "SqliteFloor.h"
#include "accessdb/Connection.h"
#include "controller/cycle/AccessRules.h"
#include "controller/cycle/StationName.h"
#include "controller/cycle/Verdict.h"

using namespace tarvo;

namespace {

constexpr int kCardsPerRound = 20;
constexpr int kSearchesPerRound = 20;

const ClockFields kNow = ClockFields::FromClockText("Wed Mar 11 09:41:07 2026\n");

// The controller's database work for one card: open, look up and decide, append the access,
// append the attempt, close.
void Card(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    const std::string station = StationName();
    bench::CardSequence cards(state.range(0));
    const bench::DurableAppend append(file.parent_path() / "durable-append");
    bench::CompareInRounds(
        state, kCardsPerRound,
        {"card",
         [&] {
             const std::string dni = bench::Dni(cards.Next());
             accessdb::Connection db =
                 accessdb::Connection::Open(file, accessdb::OpenMode::ExistingOnly);
             const Verdict verdict = AccessRules::Decide(db, dni, '5', kNow);
             if (!verdict.grant) {
                 throw std::runtime_error("card " + dni + " was not granted");
             }
             db.AppendAccess({dni, kNow.fecha, kNow.hora, "5"});
             AttemptOutcome outcome = OutcomeOf(verdict, '5');
             db.AppendAttempt({dni, kNow.fecha, kNow.hora, "5", station,
                               std::move(outcome.resultado), std::move(outcome.motivo)});
         }},
        {{"sqlite",
          [&] {
              bench::sqlite::CardOnce(file, bench::Dni(cards.Next()), kNow.fecha.c_str(),
                                      kNow.hora.c_str(), station.c_str());
          }},
         {"append", [&] { append.Once(); }}});
}

// The console's search: open, find the student, list the history, close.
void Search(benchmark::State& state) {
    const auto file = bench::Dataset(state.range(0), state.range(1));
    const std::string dni = bench::Dni(bench::kSearchedDni);
    bench::CompareInRounds(state, kSearchesPerRound,
                           {"search",
                            [&] {
                                accessdb::Connection db = accessdb::Connection::Open(
                                    file, accessdb::OpenMode::CreateIfMissing);
                                benchmark::DoNotOptimize(db.FindStudent(dni));
                                if (db.ListAccesses(dni).size() < 100) {
                                    throw std::runtime_error("history rows missing");
                                }
                            }},
                           {{"sqlite", [&] {
                                 if (bench::sqlite::SearchOnce(file, bench::kSearchedDni) < 100) {
                                     throw std::runtime_error("history rows missing");
                                 }
                             }}});
}

void Sizes(benchmark::internal::Benchmark* b) {
    bench::ApplySizes(b, {10'000, 100'000}, {100'000, 1'000'000});
}

}  // namespace

BENCHMARK(Card)->Apply(Sizes);
BENCHMARK(Search)->Apply(Sizes);

int main(int argc, char** argv) { return bench::Main(argc, argv); }
