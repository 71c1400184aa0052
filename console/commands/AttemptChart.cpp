#include "AttemptChart.h"

#include <algorithm>
#include <map>

#include "accessdb/Records.h"

namespace mireval {

namespace {

std::size_t IndexOf(std::vector<std::string>& list, const std::string& value) {
    const auto found = std::ranges::find(list, value);
    if (found != list.end()) {
        return static_cast<std::size_t>(found - list.begin());
    }
    list.push_back(value);
    return list.size() - 1;
}

}  // namespace

AttemptChart ChartOf(const std::vector<accessdb::AttemptDayCount>& counts) {
    AttemptChart chart;
    // The four outcomes always, in the filter list's order, so each keeps its colour.
    chart.outcomes = {accessdb::kOutcomeGranted, accessdb::kOutcomeDenied,
                      accessdb::kOutcomeUnregistered, accessdb::kOutcomeError};
    std::map<std::string, std::map<std::size_t, std::int64_t>> byDay;
    for (const accessdb::AttemptDayCount& count : counts) {
        const std::size_t outcome = IndexOf(chart.outcomes, count.resultado);
        if (count.day.empty()) {
            chart.undated += count.count;
        }
        byDay[count.day][outcome] += count.count;
    }
    chart.totals.assign(chart.outcomes.size(), 0);
    chart.counts.assign(chart.outcomes.size(), {});
    for (const auto& [day, perOutcome] : byDay) {
        if (!day.empty()) {
            chart.days.push_back(day);
            for (auto& series : chart.counts) {
                series.push_back(0);
            }
        }
        for (const auto& [outcome, count] : perOutcome) {
            chart.totals[outcome] += count;
            if (!day.empty()) {
                chart.counts[outcome].back() = count;
            }
        }
    }
    return chart;
}

std::string ShortDay(const std::string& isoDay) {
    if (isoDay.size() != 10) {
        return isoDay;
    }
    return isoDay.substr(8, 2) + "/" + isoDay.substr(5, 2);
}

}  // namespace mireval
