// The attempts window's pages without a window or a database: what each step asks the source,
// and that a refused filter or a failing database leaves the listing as it was.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ConsoleHarness.h"
#include "accessdb/DatabaseError.h"
#include "console/commands/AttemptBrowser.h"
#include "console/commands/AttemptRows.h"

namespace mireval {
namespace {

using accessdb::AttemptPage;
using accessdb::AttemptQuery;
using accessdb::PositionedAttempt;

// Attempts of one day in memory, newest first, paged as the listing pages them; it fails on
// demand with the error given.
struct FakeAttempts : AttemptSource {
    explicit FakeAttempts(int count) {
        for (int position = count; position >= 1; --position) {
            rows.push_back({position,
                            "2024-03-05",
                            {position % 2 ? "12345678" : "87654321", " 5/03/2024",
                             "10:00:" + std::to_string(10 + position), "3", "P3", "denegado",
                             "puerta no permitida"}});
        }
    }
    AttemptPage ListAttempts(const AttemptQuery& query) override {
        asked.push_back(query);
        if (failure) {
            std::rethrow_exception(failure);
        }
        AttemptPage page;
        for (const PositionedAttempt& row : rows) {
            if ((query.before && row.position >= query.before->position) ||
                (!query.dni.empty() && row.attempt.dni != query.dni)) {
                continue;
            }
            if (page.attempts.size() == query.limit) {
                page.next = accessdb::AttemptCursor{page.attempts.back().day,
                                                    page.attempts.back().position};
                break;
            }
            page.attempts.push_back(row);
        }
        return page;
    }
    std::vector<PositionedAttempt> rows;
    std::vector<AttemptQuery> asked;
    std::exception_ptr failure;
};

std::vector<std::int64_t> Positions(const AttemptBrowser& browser) {
    std::vector<std::int64_t> positions;
    for (const PositionedAttempt& row : browser.Attempts()) {
        positions.push_back(row.position);
    }
    return positions;
}

struct Browsing : ::testing::Test {
    FakeAttempts source{7};
    testing::Messages messages;
    AttemptBrowser browser{source, messages, 3};
};

TEST_F(Browsing, EachStepAsksForOnePageWhereTheShownOneEndsOrStarts) {
    EXPECT_EQ(browser.PageNumber(), 0u);
    EXPECT_EQ(browser.Summary(), "");
    ASSERT_TRUE(browser.Search({}));
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{7, 6, 5}));
    EXPECT_EQ(browser.Summary(), "Página 1: intentos 1 a 3");
    EXPECT_FALSE(browser.HasNewer());
    EXPECT_FALSE(browser.Newer());  // nothing newer: nothing asked

    ASSERT_TRUE(browser.Older());
    ASSERT_TRUE(browser.Older());
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(browser.Summary(), "Página 3: intentos 7 a 7");
    EXPECT_FALSE(browser.HasOlder());
    EXPECT_FALSE(browser.Older());

    ASSERT_TRUE(browser.Newer());
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{4, 3, 2}));
    EXPECT_EQ(browser.Summary(), "Página 2: intentos 4 a 6");
    EXPECT_TRUE(browser.HasNewer());
    EXPECT_TRUE(browser.HasOlder());

    // Search, older, older, newer: one page each, each from where it starts.
    ASSERT_EQ(source.asked.size(), 4u);
    EXPECT_FALSE(source.asked[0].before);
    EXPECT_EQ(source.asked[1].before->position, 5);
    EXPECT_EQ(source.asked[2].before->position, 2);
    EXPECT_EQ(source.asked[3].before->position, 5);
    for (const AttemptQuery& query : source.asked) {
        EXPECT_EQ(query.limit, 3u);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Browsing, ARefusedFilterAsksNothingAndKeepsTheListing) {
    ASSERT_TRUE(browser.Search({"12345678"}));
    ASSERT_TRUE(browser.Older());
    const auto shown = Positions(browser);

    EXPECT_FALSE(browser.Search({"", "", "", "30/02/2024"}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].starts_with("La fecha \"Desde\" (30/02/2024)"));
    EXPECT_EQ(source.asked.size(), 2u);
    EXPECT_EQ(Positions(browser), shown);
    EXPECT_EQ(browser.PageNumber(), 2u);
    // The listing goes on with the filters it showed.
    ASSERT_TRUE(browser.Newer());
    EXPECT_EQ(source.asked.back().dni, "12345678");
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{7, 5, 3}));
}

TEST_F(Browsing, ADatabaseFailureIsToldAndEveryStepCanBeTriedAgain) {
    ASSERT_TRUE(browser.Search({}));
    ASSERT_TRUE(browser.Older());
    const auto page2 = Positions(browser);
    source.failure = std::make_exception_ptr(accessdb::DatabaseError(
        accessdb::kServerUnreachable, "No se puede conectar con el servidor \"escuela\"."));

    EXPECT_FALSE(browser.Older());
    EXPECT_FALSE(browser.Newer());
    EXPECT_FALSE(browser.Search({"87654321"}));
    EXPECT_EQ(messages.shown,
              testing::Boxes(3, "No se puede conectar con el servidor \"escuela\"."));
    EXPECT_EQ(Positions(browser), page2);
    EXPECT_EQ(browser.Summary(), "Página 2: intentos 4 a 6");
    EXPECT_TRUE(browser.HasOlder() && browser.HasNewer());

    // Any other failure reaches the box too, in its own words.
    source.failure = std::make_exception_ptr(std::runtime_error("sin memoria"));
    EXPECT_FALSE(browser.Older());
    EXPECT_EQ(messages.shown.back(), "sin memoria");

    source.failure = nullptr;
    ASSERT_TRUE(browser.Older());
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{1}));
    ASSERT_TRUE(browser.Newer());
    ASSERT_TRUE(browser.Newer());
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{7, 6, 5}));
    EXPECT_EQ(browser.PageNumber(), 1u);
    EXPECT_EQ(source.asked.back().dni, "");  // the failed search changed no filter
}

TEST_F(Browsing, SaysSoWhenNothingMatchesOrTheOlderAttemptsAreGone) {
    ASSERT_TRUE(browser.Search({"11111111"}));
    EXPECT_TRUE(browser.Attempts().empty());
    EXPECT_EQ(browser.Summary(), "Ningún intento coincide con los filtros.");
    EXPECT_FALSE(browser.HasOlder());

    ASSERT_TRUE(browser.Search({}));
    source.rows.resize(3);  // purged meanwhile
    ASSERT_TRUE(browser.Older());
    EXPECT_EQ(browser.Summary(), "No hay intentos más antiguos.");
    EXPECT_TRUE(browser.HasNewer());
}

TEST(AttemptRows, ShowTheDayAsTheFiltersTakeItAndTheRestAsStored) {
    const PositionedAttempt dated{
        9,
        "2024-03-05",
        {"12345678", " 5/03/2024", "10:15:00", "3", "P3", "denegado", "puerta no permitida"}};
    EXPECT_EQ(CellsOf(dated), (AttemptCells{"05/03/2024", "10:15:00", "12345678", "3", "P3",
                                            "denegado", "puerta no permitida"}));
    EXPECT_EQ(SpokenRow(dated),
              "05/03/2024 10:15:00, DNI 12345678, puerta 3, puesto P3: denegado, puerta no "
              "permitida");
    // A Fecha that is no date is shown as it was stored; a grant has no reason.
    const PositionedAttempt undated{10, "", {"1234567?", "ayer", "", "5", "P5", "concedido", ""}};
    EXPECT_EQ(CellsOf(undated)[0], "ayer");
    EXPECT_EQ(SpokenRow(undated), "ayer , DNI 1234567?, puerta 5, puesto P5: concedido");
}

}  // namespace
}  // namespace mireval
