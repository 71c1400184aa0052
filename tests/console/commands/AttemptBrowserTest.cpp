// The attempts window's pages without a window or a database: what each step asks the source,
// and that a refused filter or a failing database leaves the listing as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "ConsoleHarness.h"
#include "accessdb/AttemptListingSql.h"
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
    std::vector<PositionedAttempt> Matching(const AttemptQuery& query) const {
        std::vector<PositionedAttempt> matching;
        for (const PositionedAttempt& row : rows) {
            if (query.dni.empty() || row.attempt.dni == query.dni) {
                matching.push_back(row);
            }
        }
        return matching;
    }
    AttemptPage ListAttempts(const AttemptQuery& query) override {
        asked.push_back(query);
        if (failure) {
            std::rethrow_exception(failure);
        }
        std::vector<PositionedAttempt> matching = Matching(query);
        if (query.backward) {
            std::ranges::reverse(matching);
        }
        // The rows past the cursor, one more than the page to tell whether another follows.
        std::vector<PositionedAttempt> past;
        for (const PositionedAttempt& row : matching) {
            const bool after =
                !query.before || (query.backward ? row.position > query.before->position
                                                 : row.position < query.before->position);
            if (after && past.size() <= query.limit) {
                past.push_back(row);
            }
        }
        return accessdb::PageOf(std::move(past), query);
    }
    std::vector<accessdb::AttemptDayCount> CountAttempts(const AttemptQuery& query) override {
        counted.push_back(query);
        if (failure) {
            std::rethrow_exception(failure);
        }
        const auto count = static_cast<std::int64_t>(Matching(query).size());
        if (count == 0) {
            return {};
        }
        return {{"2024-03-05", "denegado", count}};
    }
    std::vector<PositionedAttempt> rows;
    std::vector<AttemptQuery> asked;
    std::vector<AttemptQuery> counted;
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
    EXPECT_EQ(browser.Summary(), "1-3 de 7");
    EXPECT_EQ(browser.Total(), 7);
    EXPECT_FALSE(browser.HasPrevious());
    EXPECT_FALSE(browser.Previous());  // nothing before: nothing asked

    ASSERT_TRUE(browser.Next());
    ASSERT_TRUE(browser.Next());
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(browser.Summary(), "7-7 de 7");
    EXPECT_FALSE(browser.HasNext());
    EXPECT_FALSE(browser.Next());

    ASSERT_TRUE(browser.Previous());
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{4, 3, 2}));
    EXPECT_EQ(browser.Summary(), "4-6 de 7");
    EXPECT_TRUE(browser.HasPrevious());
    EXPECT_TRUE(browser.HasNext());

    // Search, next, next, previous: one page each, each from where the shown one ends or
    // starts; the search counted once.
    ASSERT_EQ(source.asked.size(), 4u);
    EXPECT_EQ(source.counted.size(), 1u);
    EXPECT_FALSE(source.asked[0].before);
    EXPECT_EQ(source.asked[1].before->position, 5);
    EXPECT_EQ(source.asked[2].before->position, 2);
    EXPECT_EQ(source.asked[3].before->position, 1);
    EXPECT_TRUE(source.asked[3].backward);
    for (const AttemptQuery& query : source.asked) {
        EXPECT_EQ(query.limit, 3u);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Browsing, AnotherOrderStartsAtItsFirstPageWithTheSameFilters) {
    ASSERT_TRUE(browser.Search({"12345678"}));
    ASSERT_TRUE(browser.Next());
    ASSERT_TRUE(browser.SortBy(accessdb::AttemptOrder::Dni, false));
    EXPECT_EQ(source.asked.back().order, accessdb::AttemptOrder::Dni);
    EXPECT_FALSE(source.asked.back().descending);
    EXPECT_FALSE(source.asked.back().before);
    EXPECT_EQ(source.asked.back().dni, "12345678");
    EXPECT_EQ(browser.PageNumber(), 1u);
    // A new search keeps the order chosen.
    ASSERT_TRUE(browser.Search({}));
    EXPECT_EQ(source.asked.back().order, accessdb::AttemptOrder::Dni);
    EXPECT_EQ(source.counted.back().dni, "");
}

TEST_F(Browsing, ARefusedFilterAsksNothingAndKeepsTheListing) {
    ASSERT_TRUE(browser.Search({"12345678"}));
    ASSERT_TRUE(browser.Next());
    const auto shown = Positions(browser);

    EXPECT_FALSE(browser.Search({"", "", "", "30/02/2024"}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].starts_with("La fecha \"Desde\" (30/02/2024)"));
    EXPECT_EQ(source.asked.size(), 2u);
    EXPECT_EQ(source.counted.size(), 1u);
    EXPECT_EQ(Positions(browser), shown);
    EXPECT_EQ(browser.PageNumber(), 2u);
    // The listing goes on with the filters it showed.
    ASSERT_TRUE(browser.Previous());
    EXPECT_EQ(source.asked.back().dni, "12345678");
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{7, 5, 3}));
}

TEST_F(Browsing, ASevenDigitDniIsLookedUpWithItsLeadingZeroAndSaidSo) {
    source.rows[0].attempt.dni = "02527375";
    ASSERT_TRUE(browser.Search({"2527375"}));
    EXPECT_EQ(source.asked.back().dni, "02527375");
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{7}));
    EXPECT_EQ(browser.Notice(),
              "Se busca el DNI 02527375: a \"2527375\" le faltaba el cero inicial.");
    ASSERT_TRUE(browser.Search({"12345678"}));
    EXPECT_EQ(browser.Notice(), "");
}

TEST_F(Browsing, ADatabaseFailureIsToldAndEveryStepCanBeTriedAgain) {
    ASSERT_TRUE(browser.Search({}));
    ASSERT_TRUE(browser.Next());
    const auto page2 = Positions(browser);
    source.failure = std::make_exception_ptr(accessdb::DatabaseError(
        accessdb::kServerUnreachable, "No se puede conectar con el servidor \"escuela\"."));

    EXPECT_FALSE(browser.Next());
    EXPECT_FALSE(browser.Previous());
    EXPECT_FALSE(browser.Last());
    EXPECT_FALSE(browser.SortBy(accessdb::AttemptOrder::Outcome, true));
    EXPECT_FALSE(browser.Search({"87654321"}));
    EXPECT_EQ(messages.shown,
              testing::Boxes(5, "No se puede conectar con el servidor \"escuela\"."));
    EXPECT_EQ(Positions(browser), page2);
    EXPECT_EQ(browser.Summary(), "4-6 de 7");
    EXPECT_EQ(browser.Order(), accessdb::AttemptOrder::Day);
    EXPECT_TRUE(browser.HasNext() && browser.HasPrevious());

    // Any other failure reaches the box too, in its own words.
    source.failure = std::make_exception_ptr(std::runtime_error("sin memoria"));
    EXPECT_FALSE(browser.Next());
    EXPECT_EQ(messages.shown.back(), "sin memoria");

    source.failure = nullptr;
    ASSERT_TRUE(browser.Next());
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{1}));
    ASSERT_TRUE(browser.Previous());
    ASSERT_TRUE(browser.Previous());
    EXPECT_EQ(Positions(browser), (std::vector<std::int64_t>{7, 6, 5}));
    EXPECT_EQ(browser.PageNumber(), 1u);
    EXPECT_FALSE(browser.HasPrevious());
    EXPECT_EQ(source.asked.back().dni, "");  // the failed search changed no filter
}

TEST_F(Browsing, SaysSoWhenNothingMatchesOrTheRestIsGone) {
    ASSERT_TRUE(browser.Search({"11111111"}));
    EXPECT_TRUE(browser.Attempts().empty());
    EXPECT_EQ(browser.Summary(), "Ningún intento coincide con los filtros.");
    EXPECT_FALSE(browser.HasNext());

    ASSERT_TRUE(browser.Search({}));
    source.rows.resize(3);  // purged meanwhile
    ASSERT_TRUE(browser.Next());
    EXPECT_EQ(browser.Summary(), "No hay más intentos en este orden.");
    EXPECT_TRUE(browser.HasPrevious());
}

TEST(SpanishNumbers, MarkTheThousandsWithDots) {
    EXPECT_EQ(SpanishNumber(0), "0");
    EXPECT_EQ(SpanishNumber(999), "999");
    EXPECT_EQ(SpanishNumber(3000), "3.000");
    EXPECT_EQ(SpanishNumber(100000), "100.000");
    EXPECT_EQ(SpanishNumber(1234567), "1.234.567");
}

TEST(AttemptRows, ShowTheDayAsTheFiltersTakeItTheStudentAndTheOutcomeWithItsSign) {
    PositionedAttempt dated{
        9,
        "2024-03-05",
        {"12345678", " 5/03/2024", "10:15:00", "3", "P3", "denegado", "puerta no permitida"}};
    dated.student = "Ana Pérez Gómez";
    EXPECT_EQ(CellsOf(dated), (AttemptCells{"05/03/2024", "10:15:00", "12345678", "Ana Pérez Gómez",
                                            "3", "P3", "✖ denegado", "puerta no permitida"}));
    EXPECT_EQ(SpokenRow(dated),
              "05/03/2024 10:15:00, DNI 12345678 (Ana Pérez Gómez), puerta 3, puesto P3: "
              "denegado, puerta no permitida");
    // A Fecha that is no date is shown as it was stored; a grant has no reason; an unknown DNI
    // has no name.
    const PositionedAttempt undated{10, "", {"1234567?", "ayer", "", "5", "P5", "concedido", ""}};
    EXPECT_EQ(CellsOf(undated)[0], "ayer");
    EXPECT_EQ(CellsOf(undated)[3], "");
    EXPECT_EQ(CellsOf(undated)[kOutcomeColumn], "✔ concedido");
    EXPECT_EQ(SpokenRow(undated), "ayer , DNI 1234567?, puerta 5, puesto P5: concedido");
    // Each outcome has its own sign, so the list reads without colour.
    EXPECT_EQ(MarkOf("error"), OutcomeMark::Error);
    EXPECT_EQ(MarkOf("no registrado"), OutcomeMark::Unregistered);
    EXPECT_EQ(MarkOf("otra cosa"), OutcomeMark::Other);
}

TEST(AttemptRows, OnlyIndexedColumnsOrderTheListAndEachChoiceNamesOne) {
    for (std::size_t column = 0; column < kAttemptColumns.size(); ++column) {
        if (const auto order = OrderOfColumn(column)) {
            EXPECT_EQ(ColumnOfOrder(*order), column);
        }
    }
    EXPECT_FALSE(OrderOfColumn(3));  // the name is Alumnos', not indexed with the attempts
    EXPECT_FALSE(OrderOfColumn(kReasonColumn));
    EXPECT_EQ(OrderChoices().front().order, accessdb::AttemptOrder::Day);
    EXPECT_TRUE(OrderChoices().front().descending);
}

}  // namespace
}  // namespace mireval
