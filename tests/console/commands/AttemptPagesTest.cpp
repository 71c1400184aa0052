// The attempts window's pages on real tables, the file and the server, as the console opens
// them: a few thousand attempts over days that sort otherwise as texts than as days, walked
// older to the end and back newer, page by page, one query each, with no attempt skipped or
// shown twice; also while a station keeps adding attempts.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "ConsoleHarness.h"
#include "Sites.h"
#include "console/commands/AttemptBrowser.h"
#include "console/commands/AttemptChart.h"

namespace mireval {
namespace {

using accessdb::AttemptPage;
using accessdb::AttemptQuery;
using accessdb::AttemptRecord;
using accessdb::PositionedAttempt;
using testsites::BothEngines;
using testsites::Engine;
using testsites::EngineName;
using testsites::Site;

// The console's own way to its database, on the site's engine.
DatabaseLocation ConsoleLocation(const Site& site) {
    const accessdb::StorageLocation location = site.Location();
    return location.IsServer() ? DatabaseLocation::OnServer(location)
                               : DatabaseLocation(location.File().parent_path());
}

// The console's database, counting the pages it was asked for.
struct CountedAttempts : AttemptSource {
    explicit CountedAttempts(DatabaseLocation location) : database(std::move(location)) {}
    AttemptPage ListAttempts(const AttemptQuery& query) override {
        ++queries;
        return database.ListAttempts(query);
    }
    std::vector<accessdb::AttemptDayCount> CountAttempts(const AttemptQuery& query) override {
        return database.CountAttempts(query);
    }
    DatabaseAttempts database;
    int queries = 0;
};

// An attempt as the test wrote it: its day and its place in the order written.
struct Written {
    std::string day;  // ISO, "" for a Fecha that is no date
    int order = 0;
    AttemptRecord record;
};

// Each attempt has its own time of day, which names it in the comparisons.
std::string TimeOf(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", i / 3600, i / 60 % 60, i % 60);
    return text;
}

// Days around a new year, written in no order: " 5/01/2025" sorts before "31/12/2024" as text.
Written MakeAttempt(int i, unsigned& seed) {
    static const std::vector<std::pair<std::string, std::string>> kDays = [] {
        std::vector<std::pair<std::string, std::string>> days;
        for (int d = 1; d <= 31; ++d) {
            const std::string dd = (d < 10 ? " " : "") + std::to_string(d);
            const std::string d2 = (d < 10 ? "0" : "") + std::to_string(d);
            days.emplace_back(dd + "/12/2024", "2024-12-" + d2);
            if (d <= 20) {
                days.emplace_back(dd + "/01/2025", "2025-01-" + d2);
            }
        }
        return days;
    }();
    static const char* kDnis[] = {"12345678", "87654321", "01234567", "1234567X", "55555555"};
    static const char* kOutcomes[] = {"concedido", "denegado", "no registrado", "error"};
    seed = seed * 1103515245u + 12345u;
    const unsigned r = seed >> 8;
    Written w;
    if (i % 301 == 7) {
        w.record.fecha = "sin fecha";
    } else {
        const auto& [fecha, day] = kDays[r % kDays.size()];
        w.record.fecha = fecha;
        w.day = day;
    }
    w.record.dni = kDnis[(r / 7) % 5];
    w.record.hora = TimeOf(i);
    w.record.puerta = std::to_string((r / 41) % 9);
    w.record.puesto = "P" + w.record.puerta;
    w.record.resultado = kOutcomes[(r / 401) % 4];
    w.record.motivo = w.record.resultado == "denegado" ? "puerta no permitida" : "";
    w.order = i;
    return w;
}

// Ana and Íñigo are registered; the other DNIs, one with a letter, are nobody's.
const std::map<std::string, std::string> kNames{{"01234567", "Íñigo Muñoz Peña"},
                                                {"12345678", "Ana Pérez"}};

std::vector<std::string> Times(const std::vector<PositionedAttempt>& rows) {
    std::vector<std::string> times;
    for (const PositionedAttempt& row : rows) {
        times.push_back(row.attempt.hora);
    }
    return times;
}

class AttemptPages : public ::testing::TestWithParam<Engine> {
  protected:
    void SetUp() override {
        site = GetParam().make();
        accessdb::Connection db =
            accessdb::Connection::Open(site->Location(), accessdb::OpenMode::CreateIfMissing);
        db.AddStudent({"01234567", "Íñigo", "Muñoz", "Peña", "1", "0", "0", "0", "", ""});
        db.AddStudent({"12345678", "Ana", "Pérez", "", "1", "0", "0", "0", "", ""});
        Write(3000);
    }
    void Write(int count) {
        accessdb::Connection db =
            accessdb::Connection::Open(site->Location(), accessdb::OpenMode::ExistingOnly);
        accessdb::Transaction transaction = db.Write();
        for (int i = 0; i < count; ++i) {
            written.push_back(MakeAttempt(static_cast<int>(written.size()), seed));
            db.AppendAttempt(written.back().record);
        }
        transaction.Commit();
    }
    // What the filters must list: newest day first, within a day the last written first.
    std::vector<std::string> Expected(const AttemptFilters& filters) const {
        const AttemptQuery query = *QueryFromFilters(filters, 100).query;
        std::vector<const Written*> rows;
        for (const Written& w : written) {
            const bool dated = !w.day.empty();
            if ((query.dni.empty() || w.record.dni == query.dni) &&
                (query.puerta.empty() || w.record.puerta == query.puerta) &&
                (query.resultado.empty() || w.record.resultado == query.resultado) &&
                (query.from.empty() || (dated && w.day >= query.from)) &&
                (query.to.empty() || (dated && w.day <= query.to))) {
                rows.push_back(&w);
            }
        }
        std::ranges::sort(rows, [](const Written* a, const Written* b) {
            return std::tie(a->day, a->order) > std::tie(b->day, b->order);
        });
        std::vector<std::string> times;
        for (const Written* w : rows) {
            times.push_back(w->record.hora);
        }
        return times;
    }
    // Every page from the first to the last, then the last again straight and back by the same
    // pages to the first: one query a step, every page full but the last (empty only when
    // nothing matched), each row with its student's name. Gives the rows in the order listed.
    std::vector<PositionedAttempt> WalkBothWays(
        const AttemptFilters& filters, std::size_t pageSize,
        accessdb::AttemptOrder order = accessdb::AttemptOrder::Day, bool descending = true) {
        CountedAttempts source(ConsoleLocation(*site));
        testing::Messages messages;
        AttemptBrowser browser(source, messages, pageSize);
        EXPECT_TRUE(browser.SortBy(order, descending));
        EXPECT_TRUE(browser.Search(filters));
        std::vector<std::vector<PositionedAttempt>> pages{browser.Attempts()};
        while (browser.Next()) {
            pages.push_back(browser.Attempts());
            EXPECT_EQ(browser.PageNumber(), pages.size());
        }
        EXPECT_FALSE(browser.HasNext());
        EXPECT_EQ(source.queries, static_cast<int>(pages.size()));
        EXPECT_TRUE(browser.First() && browser.Last());
        for (std::size_t page = pages.size(); page-- > 0;) {
            EXPECT_EQ(Times(browser.Attempts()), Times(pages[page])) << "page " << page + 1;
            EXPECT_EQ(browser.HasPrevious(), page > 0);
            EXPECT_EQ(page > 0 && browser.Previous(), page > 0);
        }
        EXPECT_EQ(source.queries, static_cast<int>(2 * pages.size() + 1));
        EXPECT_EQ(messages.shown, testing::Boxes{});

        std::vector<PositionedAttempt> all;
        for (std::size_t page = 0; page < pages.size(); ++page) {
            if (page + 1 < pages.size()) {
                EXPECT_EQ(pages[page].size(), pageSize) << "page " << page + 1;
            } else {
                EXPECT_TRUE(!pages[page].empty() || pages.size() == 1);
            }
            for (const PositionedAttempt& row : pages[page]) {
                const auto name = kNames.find(row.attempt.dni);
                EXPECT_EQ(row.student, name == kNames.end() ? "" : name->second) << row.attempt.dni;
            }
            all.insert(all.end(), pages[page].begin(), pages[page].end());
        }
        return all;
    }

    std::unique_ptr<Site> site;
    std::vector<Written> written;
    unsigned seed = 2024;
};

TEST_P(AttemptPages, EveryAttemptOnceNewestFirstWithItsStudentsNameWhicheverFilters) {
    EXPECT_EQ(Times(WalkBothWays({}, 100)), Expected({}));
    EXPECT_EQ(Expected({}).size(), 3000u);
    // Pages of an odd size end in the middle of a day's attempts.
    for (const AttemptFilters& filters : std::vector<AttemptFilters>{
             {"12345678"},
             {"1234567X", "", "denegado"},
             {"", "0"},
             {"", "5", "concedido"},
             {"", "", "error"},
             {"", "", "", "25/12/2024", "3/1/2025"},
             {"", "", "", "", "31/12/2024"},  // undated attempts lie in no range
             {"", "", "", "20/01/2025"},
             {"87654321", "3", "", "01/12/2024", "31/12/2024"},
             {"99999999"}}) {
        EXPECT_EQ(Times(WalkBothWays(filters, 37)), Expected(filters))
            << filters.dni << "|" << filters.puerta << "|" << filters.resultado << "|"
            << filters.desde << "|" << filters.hasta;
    }
}

TEST_P(AttemptPages, AStationWritingMeanwhileNeitherHidesNorRepeatsAnAttempt) {
    CountedAttempts source(ConsoleLocation(*site));
    testing::Messages messages;
    AttemptBrowser browser(source, messages, 100);
    const std::vector<std::string> before = Expected({});
    ASSERT_TRUE(browser.Search({}));
    std::vector<std::string> seen = Times(browser.Attempts());
    ASSERT_TRUE(browser.Next());
    // Today's cards, newer than everything listed.
    for (int i = 0; i < 50; ++i) {
        written.push_back(MakeAttempt(static_cast<int>(written.size()), seed));
        written.back().record.fecha = " 2/02/2025";
        written.back().day = "2025-02-02";
        accessdb::Connection::Open(site->Location(), accessdb::OpenMode::ExistingOnly)
            .AppendAttempt(written.back().record);
    }
    do {
        const std::vector<std::string> page = Times(browser.Attempts());
        seen.insert(seen.end(), page.begin(), page.end());
    } while (browser.Next());
    EXPECT_EQ(seen, before);

    // Back at the newest page the new attempts stand first.
    while (browser.Previous()) {
    }
    const std::vector<std::string> now = Expected({});
    EXPECT_EQ(Times(browser.Attempts()), std::vector<std::string>(now.begin(), now.begin() + 100));
    EXPECT_EQ(now.front(), written.back().record.hora);
    EXPECT_EQ(messages.shown, testing::Boxes{});
}

// The listing's key of an attempt in an order: what the pages must rise or fall by.
std::tuple<std::string, std::string, std::int64_t> KeyOf(const PositionedAttempt& row,
                                                         accessdb::AttemptOrder order) {
    switch (order) {
        case accessdb::AttemptOrder::Dni:
            return {row.attempt.dni, row.day, row.position};
        case accessdb::AttemptOrder::Outcome:
            return {row.attempt.resultado, row.day, row.position};
        case accessdb::AttemptOrder::Written:
            return {"", "", row.position};
        case accessdb::AttemptOrder::Day:
            break;
    }
    return {"", row.day, row.position};
}

// 10^5 attempts ordered by each column the database orders by, both ways, with and without a
// filter: every row in order and after the one before, no attempt twice, none missed.
TEST_P(AttemptPages, EveryOrderWalksTheWholeFilterPageByPage) {
    Write(100000 - static_cast<int>(written.size()));
    for (const AttemptFilters& filters :
         std::vector<AttemptFilters>{{}, {"", "", "", "25/12/2024", "10/01/2025"}}) {
        const std::size_t expected = Expected(filters).size();
        for (const accessdb::AttemptOrder order :
             {accessdb::AttemptOrder::Day, accessdb::AttemptOrder::Dni,
              accessdb::AttemptOrder::Outcome}) {
            for (const bool descending : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "order " << static_cast<int>(order)
                                                  << (descending ? " desc" : " asc") << " from '"
                                                  << filters.desde << "'");
                const std::vector<PositionedAttempt> rows =
                    WalkBothWays(filters, accessdb::kMaxAttemptPage, order, descending);
                std::set<std::int64_t> seen;
                for (std::size_t i = 0; i < rows.size(); ++i) {
                    seen.insert(rows[i].position);
                    if (i > 0) {
                        const auto key = KeyOf(rows[i], order),
                                   previous = KeyOf(rows[i - 1], order);
                        ASSERT_TRUE(descending ? key < previous : key > previous)
                            << "row " << i << " at " << rows[i].position;
                    }
                }
                EXPECT_EQ(seen.size(), expected);
                EXPECT_EQ(rows.size(), expected);
            }
        }
    }
}

// The chart's counts are the table's, for the filter, not the page's.
TEST_P(AttemptPages, TheCountsByDayAndOutcomeAreTheTablesForTheFilter) {
    for (const AttemptFilters& filters : std::vector<AttemptFilters>{
             {}, {"87654321", "3"}, {"", "", "denegado", "25/12/2024", "3/1/2025"}}) {
        const AttemptQuery query = *QueryFromFilters(filters, 100).query;
        std::map<std::pair<std::string, std::string>, std::int64_t> expected, counted;
        std::map<std::string, std::int64_t> perOutcome;
        for (const std::string& hora : Expected(filters)) {
            const auto w = std::ranges::find_if(
                written, [&](const Written& row) { return row.record.hora == hora; });
            ++expected[{w->day, w->record.resultado}];
            ++perOutcome[w->record.resultado];
        }
        DatabaseAttempts source(ConsoleLocation(*site));
        for (const accessdb::AttemptDayCount& count : source.CountAttempts(query)) {
            counted[{count.day, count.resultado}] = count.count;
        }
        EXPECT_EQ(counted, expected) << filters.dni << filters.resultado;
        const AttemptChart chart = ChartOf(source.CountAttempts(query));
        for (std::size_t o = 0; o < chart.outcomes.size(); ++o) {
            EXPECT_EQ(chart.totals[o], perOutcome[chart.outcomes[o]]) << chart.outcomes[o];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, AttemptPages, BothEngines(), EngineName);

}  // namespace
}  // namespace mireval
