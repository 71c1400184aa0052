// The timetables window's logic without a window: a day's segments read and written as text,
// the reasons a week is refused, the store's refusals passed on word for word, what a failed
// change leaves shown, and the same calls on a real file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "ConsoleHarness.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/Timetables.h"
#include "console/commands/TimetableBoard.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

namespace mireval {
namespace {

using accessdb::CalendarRange;
using accessdb::Timetable;
using accessdb::TimetableSegment;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::Messages;

// Timetables in memory, refusing as the store does where the window relies on it; it fails on
// demand with the error given.
struct FakeTimetables : TimetableSource {
    void MayFail() const {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
    std::vector<Timetable> ListTimetables() override {
        MayFail();
        std::vector<Timetable> list;
        for (const auto& [name, timetable] : timetables) {
            list.push_back(timetable);
        }
        return list;
    }
    void SaveTimetable(const Timetable& timetable) override {
        MayFail();
        timetables[timetable.nombre] = timetable;
    }
    void RenameTimetable(const std::string& from, const std::string& to) override {
        MayFail();
        Timetable moved = timetables.at(from);
        timetables.erase(from);
        moved.nombre = to;
        timetables[to] = moved;
    }
    bool DeleteTimetable(const std::string& name) override {
        MayFail();
        if (std::find(doors.begin(), doors.end(), name) != doors.end()) {
            throw accessdb::DatabaseError(accessdb::kTimetableInUse, inUseText);
        }
        return timetables.erase(name) > 0;
    }
    std::vector<CalendarRange> Calendar() override {
        MayFail();
        return calendar;
    }
    void AddCalendarRange(const CalendarRange& range) override {
        MayFail();
        calendar.push_back(range);
    }
    bool RemoveCalendarRange(const std::string& desde, const std::string& hasta) override {
        MayFail();
        return std::erase_if(calendar, [&](const auto& range) {
                   return range.desde == desde && range.hasta == hasta;
               }) > 0;
    }
    DoorTimetables Doors() override {
        MayFail();
        return doors;
    }
    void SetDoor(int door, const std::optional<std::string>& name) override {
        MayFail();
        if (name && !timetables.contains(*name)) {
            throw accessdb::DatabaseError(accessdb::kTimetableNotFound,
                                          "No hay ningún horario llamado «" + *name + "».");
        }
        doors.at(static_cast<std::size_t>(door - 1)) = name;
    }
    std::optional<std::string> StudentTimetable(const std::string& dni) override {
        MayFail();
        const auto found = students.find(dni);
        return found == students.end() ? std::nullopt : std::optional(found->second);
    }
    void SetStudent(const std::string& dni, const std::optional<std::string>& name) override {
        MayFail();
        if (name) {
            students[dni] = *name;
        } else {
            students.erase(dni);
        }
    }

    std::map<std::string, Timetable> timetables;
    std::vector<CalendarRange> calendar;
    DoorTimetables doors;
    std::map<std::string, std::string> students;
    std::exception_ptr failure;
    std::string inUseText =
        "El horario «Mañanas» no se puede borrar: lo usa la puerta 3. "
        "Quíteselo antes o asígneles otro.";
};

Timetable Mornings() {
    Timetable timetable{"Mañanas", false, {}};
    for (int day = 0; day < 5; ++day) {
        timetable.dias[static_cast<std::size_t>(day)] = {{8 * 60, 14 * 60 + 30}};
    }
    return timetable;
}

WeekTexts Week(const std::string& weekdays, const std::string& weekend = "") {
    return {weekdays, weekdays, weekdays, weekdays, weekdays, weekend, weekend};
}

TEST(TimetableDay, ReadsSegmentsInAnyOrderWithAnySeparatorAndWritesThemBack) {
    ParsedDay day = ParseDay(" 16:00-18:30;7:45-14:00 ", 0);
    ASSERT_TRUE(day.Ok()) << day.error;
    EXPECT_THAT(day.tramos, ElementsAre(TimetableSegment{465, 840}, TimetableSegment{960, 1110}));
    EXPECT_EQ(FormatDay(day.tramos), "07:45-14:00, 16:00-18:30");

    // The whole day, the store's own dash, four segments touching, and an empty day.
    EXPECT_THAT(ParseDay("00:00-24:00", 6).tramos, ElementsAre(TimetableSegment{0, 1440}));
    EXPECT_THAT(ParseDay("08:00\xE2\x80\x93"
                         "09:00",
                         1)
                    .tramos,
                ElementsAre(TimetableSegment{480, 540}));
    EXPECT_EQ(ParseDay("8:00-9:00, 9:00-10:00 10:00-11:00,11:00-12:00", 2).tramos.size(), 4u);
    EXPECT_TRUE(ParseDay("  ", 3).Ok());
    EXPECT_TRUE(ParseDay("  ", 3).tramos.empty());

    // The week is written by each day's segments in order, whatever order they were stored in.
    Timetable stored = Mornings();
    stored.dias[5] = {{17 * 60, 20 * 60}, {9 * 60, 13 * 60}};
    const WeekTexts week = FormatWeek(stored);
    EXPECT_EQ(week[0], "08:00-14:30");
    EXPECT_EQ(week[5], "09:00-13:00, 17:00-20:00");
    EXPECT_EQ(week[6], "");
}

TEST(TimetableDay, RefusesWhatIsNotASegmentOfTheDaySayingTheDayAndWhatToWrite) {
    struct Case {
        const char* text;
        int day;
        const char* says;
    };
    for (const Case& bad : {
             Case{"8:00", 0, "El lunes, «8:00» no es un tramo"},
             Case{"08:00-25:00", 1, "El martes, «25:00» no es una hora"},
             Case{"24:01-24:30", 2, "El miércoles, «24:01» no es una hora"},
             Case{"08:60-09:00", 3, "«08:60» no es una hora"},
             Case{"8-9", 3, "«8» no es una hora"},
             Case{"108:00-109:00", 3, "«108:00» no es una hora"},
             Case{"a8:00-09:00", 3, "«a8:00» no es una hora"},
             Case{"08:00-", 3, "«» no es una hora"},
             Case{"14:00-08:00", 4, "El viernes, el tramo 14:00-08:00 no acaba después de empezar"},
             Case{"09:00-09:00", 5, "El sábado, el tramo 09:00-09:00 no acaba"},
             Case{"8:00-9:00,10:00-11:00,12:00-13:00,14:00-15:00,16:00-17:00", 6,
                  "El domingo tiene 5 tramos: caben como mucho 4."},
             Case{"12:00-15:00, 08:00-12:30", 0,
                  "El lunes, los tramos 08:00-12:30 y 12:00-15:00 se solapan: únalos en uno."},
         }) {
        const ParsedDay parsed = ParseDay(bad.text, bad.day);
        EXPECT_THAT(parsed.error, HasSubstr(bad.says)) << bad.text;
        EXPECT_TRUE(parsed.tramos.empty()) << bad.text;
    }
}

struct BoardTest : ::testing::Test {
    void SetUp() override {
        source.timetables["Mañanas"] = Mornings();
        ASSERT_TRUE(board.Refresh());
    }
    FakeTimetables source;
    Messages messages;
    TimetableBoard board{source, messages};
};

TEST_F(BoardTest, SavesTheWeekAsTypedAndShowsWhatIsStored) {
    ASSERT_TRUE(board.Save("  Tardes ", Week("15:00-21:00", "10:00-12:00"), true, ""));
    ASSERT_TRUE(source.timetables.contains("Tardes"));
    const Timetable& stored = source.timetables["Tardes"];
    EXPECT_TRUE(stored.diasSinClase);
    EXPECT_THAT(stored.dias[0], ElementsAre(TimetableSegment{900, 1260}));
    EXPECT_THAT(stored.dias[6], ElementsAre(TimetableSegment{600, 720}));
    ASSERT_NE(board.Find("Tardes"), nullptr);  // read again after the change
    EXPECT_EQ(board.Timetables().size(), 2u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BoardTest, AWeekWithABadDayIsNotStoredAndTheBoxSaysWhichDay) {
    WeekTexts week = Week("08:00-14:00");
    week[2] = "08:00-14:00, 13:00-15:00";
    EXPECT_FALSE(board.Save("Tardes", week, false, ""));
    EXPECT_THAT(messages.shown, ElementsAre(HasSubstr("El miércoles, los tramos")));
    EXPECT_FALSE(source.timetables.contains("Tardes"));

    messages.shown.clear();
    EXPECT_FALSE(board.Save("   ", Week(""), false, ""));
    EXPECT_THAT(messages.shown, ElementsAre("Escriba el nombre del horario antes de guardarlo."));
}

TEST_F(BoardTest, SavingOverAnotherTimetableAsksFirstButNotOverTheOneShown) {
    messages.answers = "n";
    EXPECT_FALSE(board.Save("Mañanas", Week("09:00-10:00"), false, "Tardes"));
    EXPECT_THAT(messages.shown, ElementsAre(HasSubstr("Ya hay un horario llamado «Mañanas»")));
    EXPECT_EQ(source.timetables["Mañanas"], Mornings());

    messages.shown.clear();
    EXPECT_TRUE(board.Save("Mañanas", Week("09:00-10:00"), false, "Mañanas"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_THAT(source.timetables["Mañanas"].dias[4], ElementsAre(TimetableSegment{540, 600}));
}

TEST_F(BoardTest, DeleteAsksThenPassesTheStoresRefusalOnWordForWord) {
    source.doors[2] = "Mañanas";
    ASSERT_TRUE(board.Refresh());
    messages.answers = "ny";
    EXPECT_FALSE(board.Delete("Mañanas"));  // not confirmed
    EXPECT_FALSE(board.Delete("Mañanas"));  // confirmed, refused
    EXPECT_THAT(messages.shown, ElementsAre("? ¿Borrar el horario «Mañanas»?",
                                            "? ¿Borrar el horario «Mañanas»?", source.inUseText));
    EXPECT_TRUE(source.timetables.contains("Mañanas"));

    source.doors[2].reset();
    messages.answers = "y";
    EXPECT_TRUE(board.Delete("Mañanas"));
    EXPECT_TRUE(board.Timetables().empty());
}

TEST_F(BoardTest, RenameNeedsANewNameAndFollowsTheStore) {
    EXPECT_FALSE(board.Rename("Mañanas", " "));
    EXPECT_FALSE(board.Rename("Mañanas", "Mañanas "));
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(board.Rename("Mañanas", "Diurno"));
    EXPECT_NE(board.Find("Diurno"), nullptr);
    EXPECT_EQ(board.Find("Mañanas"), nullptr);
}

TEST_F(BoardTest, DoorsTheStudentAndTheCalendarAreSetAndReadBack) {
    ASSERT_TRUE(board.SetDoor(3, "Mañanas"));
    EXPECT_EQ(board.Doors()[2], "Mañanas");
    ASSERT_TRUE(board.SetDoor(3, ""));
    EXPECT_FALSE(board.Doors()[2]);

    EXPECT_FALSE(board.SetStudentTimetable("Mañanas"));  // no student on the form
    EXPECT_TRUE(source.students.empty());
    source.students["12345678"] = "Mañanas";
    ASSERT_TRUE(board.ShowStudent("12345678"));
    EXPECT_EQ(board.StudentTimetable(), "Mañanas");
    ASSERT_TRUE(board.SetStudentTimetable(""));
    EXPECT_FALSE(source.students.contains("12345678"));
    EXPECT_FALSE(board.StudentTimetable());

    ASSERT_TRUE(board.AddRange("2026-12-23", "2027-01-07", " Navidad "));
    ASSERT_TRUE(board.AddRange("2026-12-08", "2026-12-08", ""));
    ASSERT_EQ(board.Calendar().size(), 2u);
    EXPECT_EQ(RangeText(board.Calendar()[0]), "23/12/2026 \xE2\x80\x93 07/01/2027: Navidad");
    EXPECT_EQ(RangeText(board.Calendar()[1]), "08/12/2026");
    ASSERT_TRUE(board.RemoveRange(board.Calendar()[0]));
    EXPECT_EQ(board.Calendar().size(), 1u);
}

TEST_F(BoardTest, AFailingDatabaseIsToldAndKeepsWhatWasShown) {
    source.failure = std::make_exception_ptr(
        accessdb::DatabaseError(3051, "No se pudo abrir la base de datos: compruebe el disco."));
    EXPECT_FALSE(board.Save("Tardes", Week("15:00-21:00"), false, ""));
    EXPECT_FALSE(board.SetDoor(1, "Mañanas"));
    EXPECT_FALSE(board.Refresh());
    EXPECT_THAT(messages.shown,
                ElementsAre("No se pudo abrir la base de datos: compruebe el disco.",
                            "No se pudo abrir la base de datos: compruebe el disco.",
                            "No se pudo abrir la base de datos: compruebe el disco."));
    EXPECT_EQ(board.Timetables().size(), 1u);
    EXPECT_FALSE(board.Doors()[0]);
}

TEST_F(BoardTest, AChangeRefusedBecauseAnotherDeskChangedThingsShowsWhatIsStoredNow) {
    source.RenameTimetable("Mañanas", "Diurno");  // at another desk, after the window read
    EXPECT_FALSE(board.SetDoor(1, "Mañanas"));
    EXPECT_THAT(messages.shown, ElementsAre("No hay ningún horario llamado «Mañanas»."));
    EXPECT_EQ(board.Find("Mañanas"), nullptr);
    EXPECT_NE(board.Find("Diurno"), nullptr);
}

// The same calls on a real file: what the window stores is what the store reads, and its
// refusal of a timetable in use names who uses it.
TEST(DatabaseTimetablesTest, StoresOnTheFileAndTheRefusalNamesTheDoorAndTheStudent) {
    TempFolder folder;
    Register(folder / "Alumnos.mdb", {Student()});
    DatabaseTimetables source{DatabaseLocation(folder.Path())};
    Messages messages;
    TimetableBoard board(source, messages);
    ASSERT_TRUE(board.Save("Mañanas", Week("08:00-14:30"), false, ""));
    ASSERT_TRUE(board.SetDoor(3, "Mañanas"));
    ASSERT_TRUE(board.ShowStudent("12345678"));
    ASSERT_TRUE(board.SetStudentTimetable("Mañanas"));
    ASSERT_TRUE(board.AddRange("2026-12-23", "2027-01-07", "Navidad"));

    auto db = accessdb::Connection::Open(folder / "Alumnos.mdb", accessdb::OpenMode::ExistingOnly);
    accessdb::TimetableStore store(db.Session());
    EXPECT_EQ(store.Find("Mañanas"), std::optional(Mornings()));
    EXPECT_EQ(store.DoorTimetable('3'), "Mañanas");
    EXPECT_EQ(store.StudentTimetable("12345678"), "Mañanas");
    EXPECT_THAT(store.Calendar(),
                ElementsAre(CalendarRange{"2026-12-23", "2027-01-07", "Navidad"}));

    messages.answers = "y";
    EXPECT_FALSE(board.Delete("Mañanas"));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_THAT(messages.shown[1], HasSubstr("no se puede borrar"));
    EXPECT_THAT(messages.shown[1], HasSubstr("la puerta 3"));
    EXPECT_THAT(messages.shown[1], HasSubstr("12345678"));
    EXPECT_TRUE(store.Find("Mañanas"));

    // Taken away from both, it goes.
    ASSERT_TRUE(board.SetDoor(3, ""));
    ASSERT_TRUE(board.SetStudentTimetable(""));
    messages.answers = "y";
    EXPECT_TRUE(board.Delete("Mañanas"));
    EXPECT_FALSE(store.Find("Mañanas"));
    EXPECT_FALSE(store.DoorTimetable('3'));
}

}  // namespace
}  // namespace mireval
