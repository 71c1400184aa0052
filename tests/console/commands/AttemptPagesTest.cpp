// The attempts window's pages on real tables, the file and the server, as the console opens
// them: a few thousand attempts over days that sort otherwise as texts than as days, walked
// older to the end and back newer, page by page, one query each, with no attempt skipped or
// shown twice; also while a station keeps adding attempts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "ConsoleHarness.h"
#include "Sites.h"
#include "console/commands/AttemptBrowser.h"

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

class AttemptPages : public ::testing::TestWithParam<Engine> {
  protected:
    void SetUp() override {
        site = GetParam().make();
        Write(3000);
    }
    void Write(int count) {
        accessdb::Connection db =
            accessdb::Connection::Open(site->Location(), accessdb::OpenMode::CreateIfMissing);
        accessdb::WriteTransaction transaction(db);
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
    static std::vector<std::string> Times(const AttemptBrowser& browser) {
        std::vector<std::string> times;
        for (const PositionedAttempt& row : browser.Attempts()) {
            times.push_back(row.attempt.hora);
        }
        return times;
    }
    // Walks from the newest page to the oldest and back; every page read with one query.
    std::vector<std::string> WalkBothWays(const AttemptFilters& filters, std::size_t pageSize) {
        CountedAttempts source(ConsoleLocation(*site));
        testing::Messages messages;
        AttemptBrowser browser(source, messages, pageSize);
        EXPECT_TRUE(browser.Search(filters));
        std::vector<std::vector<std::string>> pages{Times(browser)};
        while (browser.HasNext()) {
            EXPECT_TRUE(browser.Next());
            pages.push_back(Times(browser));
            EXPECT_EQ(browser.PageNumber(), pages.size());
        }
        EXPECT_EQ(source.queries, static_cast<int>(pages.size()));
        for (std::size_t page = pages.size() - 1; page > 0; --page) {
            EXPECT_TRUE(browser.Previous());
            EXPECT_EQ(Times(browser), pages[page - 1]) << "page " << page;
        }
        EXPECT_FALSE(browser.HasPrevious());
        EXPECT_EQ(source.queries, static_cast<int>(2 * pages.size() - 1));
        EXPECT_EQ(messages.shown, testing::Boxes{});

        std::vector<std::string> all;
        for (std::size_t page = 0; page < pages.size(); ++page) {
            // Full pages but the last; the last empty only when nothing matched at all.
            if (page + 1 < pages.size()) {
                EXPECT_EQ(pages[page].size(), pageSize) << "page " << page + 1;
            } else {
                EXPECT_TRUE(!pages[page].empty() || pages.size() == 1);
            }
            all.insert(all.end(), pages[page].begin(), pages[page].end());
        }
        return all;
    }

    std::unique_ptr<Site> site;
    std::vector<Written> written;
    unsigned seed = 2024;
};

TEST_P(AttemptPages, EveryAttemptOnceNewestFirstWhicheverFilters) {
    EXPECT_EQ(WalkBothWays({}, 100), Expected({}));
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
        const std::vector<std::string> expected = Expected(filters);
        EXPECT_EQ(WalkBothWays(filters, 37), expected)
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
    std::vector<std::string> seen = Times(browser);
    ASSERT_TRUE(browser.Next());
    // Today's cards, newer than everything listed.
    for (int i = 0; i < 50; ++i) {
        written.push_back(MakeAttempt(static_cast<int>(written.size()), seed));
        written.back().record.fecha = " 2/02/2025";
        written.back().day = "2025-02-02";
        accessdb::Connection::Open(site->Location(), accessdb::OpenMode::ExistingOnly)
            .AppendAttempt(written.back().record);
    }
    const std::vector<std::string> page2 = Times(browser);
    seen.insert(seen.end(), page2.begin(), page2.end());
    while (browser.Next()) {
        const std::vector<std::string> page = Times(browser);
        seen.insert(seen.end(), page.begin(), page.end());
    }
    EXPECT_EQ(seen, before);

    // Back at the newest page the new attempts stand first.
    while (browser.Previous()) {
    }
    const std::vector<std::string> newest = Times(browser);
    const std::vector<std::string> now = Expected({});
    EXPECT_EQ(newest, std::vector<std::string>(now.begin(), now.begin() + 100));
    EXPECT_EQ(newest.front(), written.back().record.hora);
    EXPECT_EQ(messages.shown, testing::Boxes{});
}

TEST_P(AttemptPages, ADatabaseThatFailsIsToldAndTheListingStays) {
    CountedAttempts source(ConsoleLocation(*site));
    testing::Messages messages;
    AttemptBrowser browser(source, messages, 100);
    ASSERT_TRUE(browser.Search({}));
    const std::vector<std::string> shown = Times(browser);
    // The file opens again as a database only when it is one; the server's tables are its own.
    if (site->Location().IsServer()) {
        site->Run("DROP TABLE Intentos");
    } else {
        std::ofstream(site->Location().File(), std::ios::trunc) << "no es una base de datos";
    }
    EXPECT_FALSE(browser.Next());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(messages.shown[0].empty());
    EXPECT_EQ(Times(browser), shown);
    EXPECT_TRUE(browser.HasNext());
}

INSTANTIATE_TEST_SUITE_P(Engines, AttemptPages, BothEngines(), EngineName);

}  // namespace
}  // namespace mireval
