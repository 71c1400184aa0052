#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "accessdb/FileKeeping.h"

// The code and its floors timed alternately, round by round: a drift of the machine (another
// build starting, the disk's cache filling) then reaches both sides of a ratio alike instead of
// becoming the ratio. One benchmark iteration is one round; the figures are medians over the
// rounds, and the ratios' spread is given by their quartiles.
namespace bench {

// One way of doing a unit of work (a card, a search); it throws when the work failed.
struct Contender {
    std::string name;
    std::function<void()> once;
};

namespace detail {

struct Cost {
    double wall = 0;  // seconds per unit
    double cpu = 0;   // this thread's processor seconds per unit
};

inline double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline Cost TimeBatch(const Contender& contender, int units) {
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    for (int i = 0; i < units; ++i) {
        contender.once();
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
    return {wall.count() / units, (ThreadCpuSeconds() - cpuStart) / units};
}

// The value at fraction q of the sorted values, interpolated between neighbours.
inline double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    const double position = q * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, values.size() - 1);
    const double fraction = position - static_cast<double>(below);
    return values[below] + (values[above] - values[below]) * fraction;
}

inline std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

}  // namespace detail

// Runs `perRound` units of the code, then of each floor, once per benchmark iteration; each
// round starts with a different contender, so none always runs first. Sets counters for
// --benchmark_out and a one-line summary for the console; a failure ends the benchmark with
// its description.
inline void CompareInRounds(benchmark::State& state, int perRound, const Contender& code,
                            const std::vector<Contender>& floors) {
    std::vector<const Contender*> all{&code};
    for (const Contender& floor : floors) {
        all.push_back(&floor);
    }
    std::vector<std::vector<detail::Cost>> costs(all.size());
    try {
        for (const Contender* contender : all) {  // caches warm, files open once, untimed
            detail::TimeBatch(*contender, perRound);
        }
        std::size_t round = 0;
        for (auto _ : state) {
            for (std::size_t k = 0; k < all.size(); ++k) {
                const std::size_t i = (round + k) % all.size();
                costs[i].push_back(detail::TimeBatch(*all[i], perRound));
            }
            state.SetIterationTime(costs[0].back().wall);
            ++round;
        }
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }

    auto median = [](const std::vector<double>& values) { return detail::Quantile(values, 0.5); };
    auto column = [&](std::size_t i, double detail::Cost::*field) {
        std::vector<double> values;
        for (const detail::Cost& cost : costs[i]) {
            values.push_back(cost.*field);
        }
        return values;
    };
    const double codeMs = median(column(0, &detail::Cost::wall)) * 1e3;
    const double codeCpuMs = median(column(0, &detail::Cost::cpu)) * 1e3;
    state.counters["code_ms"] = codeMs;
    state.counters["code_cpu_ms"] = codeCpuMs;
    std::string summary = code.name + detail::Format(" %.3f ms (cpu %.3f)", codeMs, codeCpuMs);
    for (std::size_t f = 1; f < all.size(); ++f) {
        std::vector<double> ratios;
        std::vector<double> cpuRatios;
        for (std::size_t r = 0; r < costs[0].size(); ++r) {
            ratios.push_back(costs[0][r].wall / costs[f][r].wall);
            cpuRatios.push_back(costs[0][r].cpu / costs[f][r].cpu);
        }
        const std::string& name = all[f]->name;
        const double floorMs = median(column(f, &detail::Cost::wall)) * 1e3;
        const double ratio = median(ratios);
        const double q1 = detail::Quantile(ratios, 0.25);
        const double q3 = detail::Quantile(ratios, 0.75);
        const double cpuRatio = median(cpuRatios);
        state.counters[name + "_ms"] = floorMs;
        state.counters["x_" + name] = ratio;
        state.counters["x_" + name + "_q1"] = q1;
        state.counters["x_" + name + "_q3"] = q3;
        state.counters["cpu_x_" + name] = cpuRatio;
        summary += " | " + name + detail::Format(" %.3f ms: x%.2f [%.2f", floorMs, ratio, q1) +
                   detail::Format(", %.2f], cpu x%.2f", q3, cpuRatio);
    }
    state.SetLabel(summary);
}

// Prints each benchmark as its name and the summary above: the library's own Time and CPU
// columns would count a whole round of code and floors together.
class RoundsReporter : public benchmark::BenchmarkReporter {
  public:
    bool ReportContext(const Context& context) override {
        PrintBasicContext(&GetErrorStream(), context);
        GetOutputStream() << "Per unit: median over rounds; xN: median of the per-round ratios "
                             "code/floor [quartiles]\n";
        return true;
    }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            GetOutputStream() << run.benchmark_name() << " (" << run.iterations << " rounds)\n  "
                              << (run.error_occurred ? "FAILED: " + run.error_message
                                                     : run.report_label)
                              << std::endl;
            m_anyFailed = m_anyFailed || run.error_occurred;
        }
    }
    bool AnyFailed() const { return m_anyFailed; }

  private:
    bool m_anyFailed = false;
};

// The benchmark programs' main: the flags of Google Benchmark, the summary lines above, and
// a failed exit when a benchmark failed.
inline int Main(int argc, char** argv) {
    // As in the programs: each file opened stays held for the whole run, and its log is folded
    // into it when the run ends.
    const accessdb::KeepDatabaseFilesOpen program;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RoundsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.AnyFailed() ? 1 : 0;
}

}  // namespace bench
