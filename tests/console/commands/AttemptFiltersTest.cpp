// The attempts window's filters turned into the listing's query, before anything is read.
#include <gtest/gtest.h>

#include "accessdb/Records.h"
#include "console/commands/AttemptFilters.h"
#include "console/commands/AttemptPresets.h"

namespace mireval {
namespace {

TEST(IsoDayOf, ReadsCalendarDaysAsTypedAndRefusesTheRest) {
    EXPECT_EQ(IsoDayOf("05/03/2024"), "2024-03-05");
    EXPECT_EQ(IsoDayOf("5/3/2024"), "2024-03-05");
    EXPECT_EQ(IsoDayOf("  31/12/1999 "), "1999-12-31");
    EXPECT_EQ(IsoDayOf("29/02/2024"), "2024-02-29");  // leap year
    EXPECT_EQ(IsoDayOf("29/02/2000"), "2000-02-29");  // divisible by 400
    EXPECT_EQ(IsoDayOf("2024-03-05"), "2024-03-05");  // as the exports take it

    // Impossible days, two-digit or five-digit years, other separators, stray characters.
    for (const char* refused :
         {"29/02/2023", "29/02/1900", "31/04/2024",  "00/03/2024",  "05/00/2024",  "05/13/2024",
          "32/01/2024", "05/03/24",   "05/03/02024", "05-03-2024",  "05.03.2024",  "5/3",
          "5//2024",    "/03/2024",   "005/03/2024", "05/03/2024x", "x05/03/2024", "ayer",
          "01/01/0000", "2024-3-5",   "2024-02-30",  "+5/03/2024",  "05/ 3/2024",  "",
          "   "}) {
        EXPECT_EQ(IsoDayOf(refused), std::nullopt) << "'" << refused << "'";
    }
}

// An accepted filter as the listing's query: "dni|puerta|resultado|from|to|limit", with
// "|notice" when the console says how it read the DNI.
std::string QueryOf(const AttemptFilters& filters, std::size_t pageSize = 1) {
    const AttemptFilterCheck check = QueryFromFilters(filters, pageSize);
    if (!check.query) {
        return "refused: " + check.refusal;
    }
    const accessdb::AttemptQuery& q = *check.query;
    return q.dni + "|" + q.puerta + "|" + q.resultado + "|" + q.from + "|" + q.to + "|" +
           std::to_string(q.limit) + (q.before ? "|before" : "") +
           (check.notice.empty() ? "" : "|notice");
}

TEST(QueryFromFilters, EveryFilterReachesTheQueryTrimmedWithDaysInIsoForm) {
    const std::pair<AttemptFilters, std::string> cases[] = {
        {{}, "|||||1"},                         // everything, from the newest, a page at a time
        {{" ", "", "", "  ", "\t"}, "|||||1"},  // spaces alone are no filter either
        {{" 12345678 ", "3", accessdb::kOutcomeDenied, "1/3/2024", "31/03/2024"},
         "12345678|3|denegado|2024-03-01|2024-03-31|1"},
        // One day is a range of its own; either end may stay open.
        {{"", "", "", "05/03/2024", "5/3/2024"}, "|||2024-03-05|2024-03-05|1"},
        {{"", "", "", "", "05/03/2024"}, "||||2024-03-05|1"},
        // A DNI with a letter was read from some card: it is looked for as it is. Characters,
        // not bytes, count: "ñ" is one.
        {{"1234567X"}, "1234567X|||||1"},
        {{"1234567ñ"}, "1234567ñ|||||1"},
        // Seven digits are a DNI whose leading zero a spreadsheet dropped; shorter, or with a
        // letter, is looked for as typed and said nothing of.
        {{" 2527375 "}, "02527375|||||1|notice"},
        {{"252737"}, "252737|||||1"},
        {{"252737X"}, "252737X|||||1"},
    };
    for (const auto& [filters, query] : cases) {
        EXPECT_EQ(QueryOf(filters), query) << "'" << filters.dni << "'";
    }
    // The page stays within what one page may hold.
    EXPECT_EQ(QueryOf({}, 25), "|||||25");
    EXPECT_EQ(QueryOf({}, 0), "|||||1");
    EXPECT_EQ(QueryOf({}, 1'000'000), "|||||" + std::to_string(accessdb::kMaxAttemptPage));
}

TEST(LastDays, EndTodayAndReachBackOverMonthsAndYears) {
    EXPECT_EQ(LastDays(1, 2024, 3, 5).desde + "-" + LastDays(1, 2024, 3, 5).hasta,
              "05/03/2024-05/03/2024");
    EXPECT_EQ(LastDays(7, 2024, 3, 5).desde, "28/02/2024");  // a leap year's February
    EXPECT_EQ(LastDays(30, 2025, 1, 10).desde, "12/12/2024");
    // What the presets fill in, the filters take.
    const DayRange month = LastDays(30, 2025, 1, 10);
    EXPECT_EQ(QueryOf({"", "", "", month.desde, month.hasta}), "|||2024-12-12|2025-01-10|1");
}

TEST(QueryFromFilters, EveryEntryOfTheListsIsAFilterTheListingKnows) {
    std::vector<std::string> doors;
    for (const FilterChoice& door : DoorChoices()) {
        const AttemptFilterCheck check = QueryFromFilters({"", std::string(door.value)}, 1);
        ASSERT_TRUE(check.query) << door.label;
        doors.push_back(check.query->puerta);
    }
    EXPECT_EQ(doors, (std::vector<std::string>{"", "0", "1", "2", "3", "4", "5", "6", "7", "8"}));
    std::vector<std::string> outcomes;
    for (const FilterChoice& outcome : OutcomeChoices()) {
        const AttemptFilterCheck check = QueryFromFilters({"", "", std::string(outcome.value)}, 1);
        ASSERT_TRUE(check.query) << outcome.label;
        outcomes.push_back(check.query->resultado);
    }
    EXPECT_EQ(outcomes,
              (std::vector<std::string>{"", accessdb::kOutcomeGranted, accessdb::kOutcomeDenied,
                                        accessdb::kOutcomeUnregistered, accessdb::kOutcomeError}));
}

TEST(QueryFromFilters, RefusesWhatCannotMatchWithAMessageThatSaysWhatToDo) {
    const auto refusal = [](const AttemptFilters& filters) {
        const AttemptFilterCheck check = QueryFromFilters(filters, 100);
        EXPECT_FALSE(check.query) << "accepted";
        return check.refusal;
    };
    EXPECT_EQ(refusal({"", "", "", "31/02/2024"}),
              "La fecha \"Desde\" (31/02/2024) no es un día del calendario. Escriba el día como "
              "DD/MM/AAAA (por ejemplo 05/03/2024), o déjelo vacío para no limitar las fechas.");
    EXPECT_EQ(refusal({"", "", "", "01/03/2024", " 5/3/24 "}),
              "La fecha \"Hasta\" (5/3/24) no es un día del calendario. Escriba el día como "
              "DD/MM/AAAA (por ejemplo 05/03/2024), o déjelo vacío para no limitar las fechas.");
    EXPECT_EQ(refusal({"", "", "", "02/03/2024", "01/03/2024"}),
              "La fecha \"Desde\" es posterior a la fecha \"Hasta\": ningún intento puede estar "
              "entre ambas. Corrija una de las dos.");
    // Compared as days, not as the texts typed.
    EXPECT_TRUE(refusal({"", "", "", "1/1/2025", "31/12/2024"})
                    .starts_with("La fecha \"Desde\" es posterior"));
    EXPECT_NE(refusal({"123456789"}).find("ocho caracteres"), std::string::npos);
    EXPECT_NE(refusal({"", "9"}).find("de la 1 a la 8"), std::string::npos);
    EXPECT_NE(refusal({"", "", "DENEGADO"}).find("uno de la lista"), std::string::npos);
}

}  // namespace
}  // namespace mireval
