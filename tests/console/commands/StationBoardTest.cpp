// The stations window's list without a window or a database: the rows' texts and ages, when a
// station counts as silent, and what a failing read or a forget leaves shown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "ConsoleHarness.h"
#include "accessdb/DatabaseError.h"
#include "console/commands/StationBoard.h"

namespace mireval {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The stations' rows in memory; it fails on demand with the error given.
struct FakeStations : StationSource {
    std::vector<accessdb::StationReport> ListStations() override {
        ++reads;
        if (failure) {
            std::rethrow_exception(failure);
        }
        return rows;
    }
    bool ForgetStation(const std::string& name) override {
        if (failure) {
            std::rethrow_exception(failure);
        }
        forgotten.push_back(name);
        return std::erase_if(rows, [&](const auto& row) { return row.nombre == name; }) > 0;
    }
    std::vector<accessdb::StationReport> rows;
    std::exception_ptr failure;
    std::vector<std::string> forgotten;
    int reads = 0;
};

WallSeconds At(const char* stamp) { return WallSecondsOf(stamp).value(); }

accessdb::StationReport Report(std::string name, std::string contact, std::string offlineSince = "",
                               std::int64_t pending = 0, std::string copy = "",
                               std::string user = "") {
    return {std::move(name),         std::move(user), std::move(contact),
            std::move(offlineSince), pending,         std::move(copy)};
}

TEST(StationTimes, StampsAreReadWholeAndOnlyWhenTheyAreTimesOfTheCalendar) {
    EXPECT_EQ(At("2027-01-01 00:01:00") - At("2026-12-31 23:59:00"), 120);
    EXPECT_EQ(At("2024-03-01 00:00:00") - At("2024-02-28 00:00:00"), 2 * 86400);  // leap year
    for (const char* notATime : {"", "2026-02-29 10:00:00", "2026-12-07 24:00:00",
                                 "2026-12-07 10:60:00", "2026-12-07T10:00:00", "2026-12-07 10:00",
                                 " 2026-12-07 10:00:00", "2026-1a-07 10:00:00"}) {
        EXPECT_FALSE(WallSecondsOf(notATime)) << notATime;
    }
    EXPECT_EQ(ShownTime("2026-12-07 09:05:01"), "07/12/2026 09:05:01");
    EXPECT_EQ(ShownTime("ayer"), "ayer");  // what a station wrote, rather than nothing
    EXPECT_EQ(TimeOfDay(At("2026-12-07 09:05:01")), "09:05:01");
}

TEST(StationTimes, AgesReadInPlainWordsAtEachBoundary) {
    const std::pair<std::int64_t, const char*> ages[] = {
        {-600, "hace menos de 1 min"},  // a station's clock ahead of the console's
        {0, "hace menos de 1 min"},
        {59, "hace menos de 1 min"},
        {60, "hace 1 min"},
        {3599, "hace 59 min"},
        {3600, "hace 1 h"},
        {3 * 3600 + 12 * 60 + 30, "hace 3 h 12 min"},
        {86399, "hace 23 h 59 min"},
        {86400, "hace 1 día"},
        {2 * 86400 + 4 * 3600 + 59, "hace 2 días 4 h"},
        {1500 * 86400, "hace 1.500 días"},
    };
    for (const auto& [seconds, text] : ages) {
        EXPECT_EQ(AgeText(seconds), text) << seconds;
    }
}

TEST(StationRows, EachStateIsSaidInWordsWithItsTimesAndAges) {
    const WallSeconds now = At("2026-12-07 12:00:00");

    const StationRow connected =
        RowOf(Report("P1", "2026-12-07 11:59:30", "", 0, "2026-12-07 08:48:00", "tarvo_p1"), now);
    EXPECT_EQ(connected.cells, (StationCells{"P1", "conectado", "07/12/2026 11:59:30", "", "0",
                                             "hace 3 h 12 min", "tarvo_p1"}));
    EXPECT_FALSE(connected.stale);
    EXPECT_FALSE(connected.offline);
    EXPECT_EQ(connected.spoken,
              "Puesto P1: conectado; último contacto 07/12/2026 11:59:30; 0 registros pendientes; "
              "copia de los alumnos de hace 3 h 12 min; usuario tarvo_p1.");

    const StationRow offline =
        RowOf(Report("P2", "2026-12-07 11:59:00", "2026-12-07 11:00:00", 1234), now);
    EXPECT_EQ(offline.cells[kStateColumn], "sin servidor: decide con su copia");
    EXPECT_EQ(offline.cells[3], "07/12/2026 11:00:00");
    EXPECT_EQ(offline.cells[4], "1.234");
    EXPECT_EQ(offline.cells[5], "");  // no copy: blank, not an age
    EXPECT_TRUE(offline.offline);
    EXPECT_FALSE(offline.stale);
    EXPECT_THAT(offline.spoken, HasSubstr("sin servidor desde 07/12/2026 11:00:00; 1.234 registros "
                                          "pendientes; sin copia de los alumnos."));

    // Silence outranks the rest: the last report may say anything by now.
    const StationRow silent =
        RowOf(Report("P3", "2026-12-07 11:48:00", "2026-12-07 11:00:00", 1), now);
    EXPECT_EQ(silent.cells[kStateColumn], "sin noticias desde hace 12 min");
    EXPECT_TRUE(silent.stale);
    EXPECT_THAT(silent.spoken, HasSubstr("Puesto P3: sin noticias desde hace 12 min;"));
    EXPECT_THAT(silent.spoken, HasSubstr("1 registro pendiente;"));

    const StationRow unknown = RowOf(Report("P4", "", "", 0, "de ayer"), now);
    EXPECT_TRUE(unknown.stale);
    EXPECT_THAT(unknown.cells[kStateColumn], HasSubstr("sin noticias"));
    EXPECT_EQ(unknown.cells[5], "de ayer");
}

TEST(StationRows, ThreeMinutesWithoutAReportIsSilence) {
    const WallSeconds now = At("2026-12-07 12:00:00");
    EXPECT_FALSE(RowOf(Report("P1", "2026-12-07 11:57:00"), now).stale);
    EXPECT_TRUE(RowOf(Report("P1", "2026-12-07 11:56:59"), now).stale);
    EXPECT_EQ(RowOf(Report("P1", "2026-12-07 11:56:59"), now).cells[kStateColumn],
              "sin noticias desde hace 3 min");
}

class StationBoardTest : public ::testing::Test {
  protected:
    StationBoardTest() {
        source.rows = {Report("P1", "2026-12-07 11:59:30"), Report("P2", "2026-12-07 11:40:00"),
                       Report("P3", "2026-12-07 11:59:50")};
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const StationRow& row : board.Rows()) {
            names.push_back(row.name);
        }
        return names;
    }

    FakeStations source;
    testing::Messages messages;
    WallSeconds now = At("2026-12-07 12:00:00");
    StationBoard board{source, messages, [this] { return now; }};
};

TEST_F(StationBoardTest, ARefreshReadsTheListAgainWithItsAgesAsOfNow) {
    EXPECT_TRUE(board.Rows().empty());
    EXPECT_EQ(board.Summary(), "");
    ASSERT_TRUE(board.Refresh(true));
    EXPECT_THAT(Names(), ElementsAre("P1", "P2", "P3"));
    EXPECT_EQ(board.Summary(), "3 puestos, 1 sin noticias; lista leída a las 12:00:00.");

    source.rows.pop_back();
    now += 4 * 60;
    ASSERT_TRUE(board.Refresh(false));
    EXPECT_THAT(Names(), ElementsAre("P1", "P2"));
    EXPECT_TRUE(board.Rows()[0].stale);  // P1's report is now over three minutes old
    EXPECT_EQ(board.Summary(), "2 puestos, 2 sin noticias; lista leída a las 12:04:00.");
    EXPECT_EQ(source.reads, 2);
    EXPECT_TRUE(messages.shown.empty());

    source.rows.clear();
    ASSERT_TRUE(board.Refresh(false));
    EXPECT_EQ(board.Summary(),
              "Ningún puesto ha dado noticias todavía; lista leída a las 12:04:00.");
}

// A timer's failure must not pile boxes up behind each other; the button's is answered.
TEST_F(StationBoardTest, AFailedReadKeepsTheRowsShownAndSaysWhenTheyWereRead) {
    ASSERT_TRUE(board.Refresh(false));
    source.failure = std::make_exception_ptr(
        accessdb::DatabaseError(3051, "No se puede abrir la base de datos: avise al técnico."));
    now += 5 * 60;
    EXPECT_FALSE(board.Refresh(false));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_THAT(Names(), ElementsAre("P1", "P2", "P3"));
    EXPECT_TRUE(board.Rows()[0].stale);  // the ages still move on
    EXPECT_EQ(board.Summary(),
              "No se pudo leer la lista de puestos a las 12:05:00: No se puede abrir la base de "
              "datos: avise al técnico. Se muestra la leída a las 12:00:00.");

    EXPECT_FALSE(board.Refresh(true));
    EXPECT_THAT(messages.shown,
                ElementsAre("No se puede abrir la base de datos: avise al técnico."));

    source.failure = nullptr;
    EXPECT_TRUE(board.Refresh(false));
    EXPECT_THAT(board.Summary(), HasSubstr("lista leída a las 12:05:00"));
}

TEST_F(StationBoardTest, AFirstReadThatFailsShowsNoRowsAndSaysWhy) {
    source.failure = std::make_exception_ptr(std::runtime_error("sin red"));
    EXPECT_FALSE(board.Refresh(false));
    EXPECT_TRUE(board.Rows().empty());
    EXPECT_EQ(board.Summary(), "No se pudo leer la lista de puestos a las 12:00:00: sin red");
}

TEST_F(StationBoardTest, ForgettingAsksFirstAndDeletesOnlyTheStationNamed) {
    ASSERT_TRUE(board.Refresh(false));
    messages.answers = "n";
    EXPECT_FALSE(board.Forget("P2"));
    EXPECT_TRUE(source.forgotten.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(messages.shown[0], HasSubstr("? ¿Olvidar el puesto «P2»?"));
    EXPECT_THAT(messages.shown[0], ::testing::Not(HasSubstr("sigue funcionando.")));

    // Whatever the timer re-read meanwhile, the row named is the one deleted.
    source.rows.insert(source.rows.begin(), Report("P0", "2026-12-07 11:59:59"));
    messages.answers = "y";
    EXPECT_TRUE(board.Forget("P2"));
    EXPECT_THAT(source.forgotten, ElementsAre("P2"));
    EXPECT_THAT(Names(), ElementsAre("P0", "P1", "P3"));

    // A station that still reports is said to be running before it is deleted.
    messages.answers = "y";
    EXPECT_TRUE(board.Forget("P1"));
    EXPECT_THAT(messages.shown.back(), HasSubstr("parece que sigue funcionando"));
}

TEST_F(StationBoardTest, AForgetThatFailsIsToldAndLeavesTheList) {
    ASSERT_TRUE(board.Refresh(false));
    source.failure = std::make_exception_ptr(accessdb::DatabaseError(
        3260, "Otro programa está escribiendo en la base de datos. Inténtelo de nuevo."));
    messages.answers = "y";
    EXPECT_FALSE(board.Forget("P2"));
    EXPECT_EQ(messages.shown.back(),
              "Otro programa está escribiendo en la base de datos. Inténtelo de nuevo.");
    EXPECT_THAT(Names(), ElementsAre("P1", "P2", "P3"));

    // Gone already (forgotten from another console): nothing to tell, the list is re-read.
    source.failure = nullptr;
    source.rows.erase(source.rows.begin() + 1);
    messages.answers = "y";
    EXPECT_FALSE(board.Forget("P2"));
    EXPECT_THAT(Names(), ElementsAre("P1", "P3"));
}

}  // namespace
}  // namespace mireval
