// Timetables, who keeps to them and the school calendar, on both engines: the SQLite file in a
// temp folder and a schema of its own on the test run's PostgreSQL server.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "Sites.h"
#include "accessdb/AdminTables.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/SchemaVersion.h"
#include "accessdb/Timetables.h"
#include "controller/cycle/AccessRules.h"
#include "support/DatabaseFailure.h"
#include "support/StudentDatabase.h"
#include "timetables/LocalMoment.h"
#include "timetables/TimetableDecision.h"

using namespace accessdb;
using namespace testsites;

namespace {

constexpr int kMonday = 1;
constexpr int kSaturday = 6;

// Pupils Monday to Friday 07:45-15:15, with a break on Wednesdays.
Timetable Pupils() {
    Timetable timetable{"Alumnado", false, {}};
    for (int day = 0; day < 5; ++day) {
        timetable.dias[day] = {{465, 915}};
    }
    timetable.dias[2] = {{465, 600}, {630, 915}};
    return timetable;
}

Timetable Staff() {
    Timetable timetable{"Personal", true, {}};
    for (auto& day : timetable.dias) {
        day = {{0, 1440}};
    }
    return timetable;
}

StudentRecord WithDni(std::string dni) {
    StudentRecord student = Student("1,2,3,4,5,6,7,8");
    student.dni = std::move(dni);
    return student;
}

class TimetableStorage : public ::testing::TestWithParam<Engine> {
  protected:
    Connection Console() { return Connection::Open(site->Location(), OpenMode::CreateIfMissing); }

    std::unique_ptr<Site> site = GetParam().make();
    Connection console = Console();
    TimetableStore store{console.Session()};
};

}  // namespace

TEST_P(TimetableStorage, ATimetableReadsBackAsSavedAndASecondSaveReplacesIt) {
    EXPECT_TRUE(store.List().empty());
    EXPECT_FALSE(store.Find("Alumnado"));
    store.Save(Pupils());
    store.Save(Staff());
    EXPECT_EQ(store.Find("Alumnado"), Pupils());
    EXPECT_EQ(store.List(), (std::vector<Timetable>{Pupils(), Staff()}));

    Timetable changed = Pupils();
    changed.diasSinClase = true;
    changed.dias[0] = {{480, 540}};
    changed.dias[4].clear();
    store.Save(changed);
    EXPECT_EQ(store.Find("Alumnado"), changed);
    EXPECT_EQ(site->Run("SELECT count(*) FROM Tramos WHERE Horario = 'Alumnado'"), Rows{"5"});
}

// Names in any case and with accents keep their own segments, whatever order the engine's
// collation gives them.
TEST_P(TimetableStorage, EveryTimetableKeepsItsOwnSegmentsWhateverItsName) {
    std::vector<Timetable> saved;
    int start = 0;
    for (const char* name : {"tarde", "Mañana", "mañana", "Ñu", "Z", "a b", "Éxito"}) {
        Timetable timetable{name, false, {}};
        timetable.dias[start % 7] = {{start, start + 30}};
        store.Save(timetable);
        saved.push_back(timetable);
        store.AssignDoor(static_cast<char>('1' + start / 30), name);
        start += 30;
    }
    std::sort(saved.begin(), saved.end(),
              [](const Timetable& a, const Timetable& b) { return a.nombre < b.nombre; });
    EXPECT_EQ(store.List(), saved);
    const std::vector<TimetableUse> uses = store.Uses();
    ASSERT_EQ(uses.size(), saved.size());
    for (std::size_t i = 0; i < uses.size(); ++i) {
        EXPECT_EQ(uses[i].nombre, saved[i].nombre);
        EXPECT_EQ(uses[i].puertas.size(), 1u) << uses[i].nombre;
    }
}

// Erasing a person, or the console deleting the student, takes which timetable the student kept
// to with it: the DNI registered again starts without it.
TEST_P(TimetableStorage, ErasingOrDeletingAStudentTakesTheirTimetableToo) {
    console.AddStudent(Student());
    store.Save(Pupils());
    store.AssignStudent("12345678", "Alumnado");
    // What the database holds on the person names the timetable too.
    EXPECT_EQ(OpenAdminTables(site->Location(), OpenMode::ExistingOnly)->Person(12345678)->horario,
              "Alumnado");
    EXPECT_TRUE(OpenAdminTables(site->Location(), OpenMode::ExistingOnly)->Erase(12345678));
    EXPECT_FALSE(store.StudentTimetable("12345678"));
    console.AddStudent(Student());
    store.AssignStudent("12345678", "Alumnado");
    EXPECT_TRUE(console.DeleteStudent("12345678"));
    console.AddStudent(Student());
    EXPECT_FALSE(store.StudentTimetable("12345678"));
    EXPECT_TRUE(store.Delete("Alumnado"));
}

TEST_P(TimetableStorage, AnUnacceptableTimetableIsRefusedAndChangesNothing) {
    store.Save(Pupils());
    const auto refused = [&](const std::function<void(Timetable&)>& spoil) {
        Timetable timetable = Pupils();
        spoil(timetable);
        return Failure([&] { store.Save(timetable); });
    };
    const std::vector<std::pair<const char*, std::function<void(Timetable&)>>> cases = {
        {"five segments",
         [](Timetable& t) {
             t.dias[1] = {{0, 60}, {60, 120}, {120, 180}, {180, 240}, {240, 300}};
         }},
        {"ends before it starts",
         [](Timetable& t) {
             t.dias[1] = {{600, 540}};
         }},
        {"empty",
         [](Timetable& t) {
             t.dias[1] = {{600, 600}};
         }},
        {"past midnight",
         [](Timetable& t) {
             t.dias[1] = {{1380, 1441}};
         }},
        {"before midnight",
         [](Timetable& t) {
             t.dias[1] = {{-1, 60}};
         }},
        {"overlapping",
         [](Timetable& t) {
             t.dias[1] = {{600, 700}, {465, 601}};
         }},
        {"no name", [](Timetable& t) { t.nombre = ""; }},
        {"spaced name", [](Timetable& t) { t.nombre = " Alumnado"; }},
        {"control in name", [](Timetable& t) { t.nombre = "Alum\nnado"; }},
    };
    for (const auto& [name, spoil] : cases) {
        const DatabaseError error = refused(spoil);
        EXPECT_EQ(error.Code(), kTimetableInvalid) << name << ": " << error.Description();
        EXPECT_FALSE(error.Description().empty());
    }
    EXPECT_EQ(store.List(), std::vector<Timetable>{Pupils()});
    // Four segments and the whole day are fine.
    Timetable full = Pupils();
    full.dias[1] = {{0, 60}, {60, 120}, {120, 180}, {1380, 1440}};
    store.Save(full);
    EXPECT_EQ(store.Find("Alumnado"), full);
}

TEST_P(TimetableStorage, ACardReadsItsTimetablesForTheWeekdayAndTheDayWithoutSchool) {
    store.Save(Pupils());
    store.Save(Staff());
    store.AssignStudent("12345678", "Alumnado");
    store.AssignDoor('3', "Personal");
    store.AddCalendarRange({"2026-12-23", "2027-01-07", "Navidad"});
    store.AddCalendarRange({"2026-10-12", "2026-10-12", "Fiesta nacional"});

    const CardTimetables wednesday = store.ForCard("12345678", '3', "2026-12-09", 3);
    ASSERT_TRUE(wednesday.alumno && wednesday.puerta);
    EXPECT_EQ(wednesday.alumno->nombre, "Alumnado");
    EXPECT_FALSE(wednesday.alumno->diasSinClase);
    EXPECT_EQ(wednesday.alumno->tramos, (std::vector<TimetableSegment>{{465, 600}, {630, 915}}));
    EXPECT_EQ(wednesday.puerta->nombre, "Personal");
    EXPECT_TRUE(wednesday.puerta->diasSinClase);
    EXPECT_FALSE(wednesday.diaSinClase);

    // A day without segments still has its timetable (it includes no moment), and the range's
    // both ends are days without school.
    for (const char* day : {"2026-12-23", "2027-01-02", "2027-01-07"}) {
        const CardTimetables holiday = store.ForCard("12345678", '5', day, kSaturday);
        ASSERT_TRUE(holiday.alumno) << day;
        EXPECT_TRUE(holiday.alumno->tramos.empty());
        EXPECT_FALSE(holiday.puerta);
        EXPECT_EQ(holiday.diaSinClase, "Navidad") << day;
    }
    EXPECT_EQ(store.ForCard("12345678", '5', "2026-10-12", kMonday).diaSinClase, "Fiesta nacional");
    for (const char* day : {"2026-12-22", "2027-01-08", "2026-10-13"}) {
        EXPECT_FALSE(store.ForCard("12345678", '5', day, kMonday).diaSinClase) << day;
    }

    // Someone else, no door chosen, or a DNI that is no DNI: nothing of the student's.
    const CardTimetables other = store.ForCard("87654321", '3', "2026-12-09", 3);
    EXPECT_FALSE(other.alumno);
    EXPECT_TRUE(other.puerta);
    EXPECT_FALSE(store.ForCard("12345678", '0', "2026-12-09", 3).puerta);
    EXPECT_FALSE(store.ForCard("1 OR 1=1", '3', "2026-12-09", 3).alumno);
    EXPECT_FALSE(store.ForCard("1234567", '3', "2026-12-09", 3).alumno);

    // The station reads the student and the timetables in one statement, the same as both
    // reads apart; a DNI that is no DNI is refused as the lookup refuses it.
    console.AddStudent(Student());
    for (const char* dni : {"12345678", "87654321"}) {
        const CardLookup card = LookUpCard(console.Session(), dni, '3', "2026-12-23", 3);
        EXPECT_EQ(card.student.has_value(), console.FindStudent(dni).has_value()) << dni;
        const CardTimetables apart = store.ForCard(dni, '3', "2026-12-23", 3);
        EXPECT_EQ(card.timetables.alumno.has_value(), apart.alumno.has_value()) << dni;
        if (apart.alumno) {
            EXPECT_EQ(card.timetables.alumno->tramos, apart.alumno->tramos);
            EXPECT_EQ(card.timetables.alumno->diasSinClase, apart.alumno->diasSinClase);
        }
        ASSERT_TRUE(card.timetables.puerta);
        EXPECT_TRUE(card.timetables.puerta->diasSinClase);
        EXPECT_EQ(card.timetables.puerta->tramos, apart.puerta->tramos);
        EXPECT_EQ(card.timetables.diaSinClase, "Navidad");
    }
    EXPECT_EQ(LookUpCard(console.Session(), "12345678", '3', "2026-12-23", 3).student->nombre,
              Student().nombre);
    EXPECT_EQ(CodeOf([&] { LookUpCard(console.Session(), "1 OR 1=1", '3', "2026-12-09", 3); }),
              kInvalidDni);
}

TEST_P(TimetableStorage, AssignmentsNeedAnExistingTimetableAndADoorOfTheSite) {
    store.Save(Pupils());
    EXPECT_EQ(CodeOf([&] { store.AssignStudent("12345678", "Nadie"); }), kTimetableNotFound);
    EXPECT_EQ(CodeOf([&] { store.AssignDoor('2', "Nadie"); }), kTimetableNotFound);
    EXPECT_EQ(CodeOf([&] { store.AssignDoor('9', "Alumnado"); }), kDoorInvalid);
    EXPECT_EQ(CodeOf([&] { store.AssignDoor('0', "Alumnado"); }), kDoorInvalid);
    EXPECT_EQ(CodeOf([&] { store.AssignStudent("1234567a", "Alumnado"); }), kInvalidDni);
    EXPECT_FALSE(store.StudentTimetable("12345678"));

    store.AssignStudent("01234567", "Alumnado");
    store.AssignDoor('2', "Alumnado");
    EXPECT_EQ(store.StudentTimetable("01234567"), "Alumnado");
    EXPECT_EQ(store.DoorTimetable('2'), "Alumnado");
    store.Save(Staff());
    store.AssignStudent("01234567", "Personal");  // a second assignment replaces the first
    EXPECT_EQ(store.StudentTimetable("01234567"), "Personal");
    EXPECT_EQ(site->Run("SELECT DNI + 1 FROM Horarios_alumnos"), Rows{"1234568"});
    EXPECT_TRUE(store.UnassignStudent("01234567"));
    EXPECT_FALSE(store.UnassignStudent("01234567"));
    EXPECT_TRUE(store.UnassignDoor('2'));
    EXPECT_FALSE(store.DoorTimetable('2'));
}

TEST_P(TimetableStorage, ARenameFollowsEveryUseAndADeleteIsRefusedWhileInUse) {
    for (const char* dni : {"11111111", "22222222", "33333333", "44444444"}) {
        console.AddStudent(WithDni(dni));
    }
    store.Save(Pupils());
    store.Save(Staff());
    for (const char* dni : {"44444444", "11111111", "33333333", "22222222"}) {
        store.AssignStudent(dni, "Alumnado");
    }
    store.AssignDoor('7', "Alumnado");
    store.AssignDoor('2', "Alumnado");

    EXPECT_EQ(Failure([&] { store.Rename("Alumnado", "Personal"); }).Code(), kTimetableInvalid);
    EXPECT_EQ(CodeOf([&] { store.Rename("Nadie", "Otro"); }), kTimetableNotFound);
    store.Rename("Alumnado", "ESO");
    EXPECT_FALSE(store.Find("Alumnado"));
    EXPECT_EQ(store.Find("ESO")->dias, Pupils().dias);
    EXPECT_EQ(store.StudentTimetable("33333333"), "ESO");
    EXPECT_EQ(store.DoorTimetable('7'), "ESO");

    const DatabaseError inUse = Failure([&] { store.Delete("ESO"); });
    EXPECT_EQ(inUse.Code(), kTimetableInUse);
    EXPECT_EQ(inUse.Description(),
              "El horario «ESO» no se puede borrar: lo usan las puertas 2 y 7, y 4 alumnos "
              "(11111111, 22222222, 33333333...). Quíteselo antes o asígneles otro.");
    const std::vector<TimetableUse> uses = store.Uses();
    ASSERT_EQ(uses.size(), 2u);
    EXPECT_EQ(uses[0].nombre, "ESO");
    EXPECT_EQ(uses[0].puertas, (std::vector<char>{'2', '7'}));
    EXPECT_EQ(uses[0].alumnos, 4);
    EXPECT_EQ(uses[1].nombre, "Personal");
    EXPECT_EQ(uses[1].alumnos, 0);

    // Students the console deleted since do not hold it; once nobody keeps to it, it goes with
    // its segments.
    store.UnassignDoor('2');
    store.UnassignDoor('7');
    for (const char* dni : {"11111111", "22222222", "33333333"}) {
        console.DeleteStudent(dni);
    }
    EXPECT_EQ(Failure([&] { store.Delete("ESO"); }).Description(),
              "El horario «ESO» no se puede borrar: lo usa el alumno 44444444. Quíteselo antes o "
              "asígneles otro.");
    console.DeleteStudent("44444444");
    EXPECT_TRUE(store.Delete("ESO"));
    EXPECT_FALSE(store.Delete("ESO"));
    EXPECT_EQ(site->Run("SELECT (SELECT count(*) FROM Tramos WHERE Horario = 'ESO') || '/' ||"
                        " (SELECT count(*) FROM Horarios_alumnos)"),
              Rows{"0/0"});
}

TEST_P(TimetableStorage, TheCalendarKeepsItsRangesByTheirFirstDay) {
    store.AddCalendarRange({"2027-04-01", "2027-04-02", "Semana Santa"});
    store.AddCalendarRange({"2026-12-23", "2027-01-07", "Navidad"});
    store.AddCalendarRange({"2027-04-01", "2027-04-02", "Jueves y Viernes Santo"});
    EXPECT_EQ(store.Calendar(),
              (std::vector<CalendarRange>{{"2026-12-23", "2027-01-07", "Navidad"},
                                          {"2027-04-01", "2027-04-02", "Jueves y Viernes Santo"}}));
    EXPECT_EQ(CodeOf([&] {
                  store.AddCalendarRange({"2027-01-07", "2026-12-23", "Al revés"});
              }),
              kTimetableInvalid);
    EXPECT_EQ(CodeOf([&] {
                  store.AddCalendarRange({"23/12/2026", "2027-01-07", "x"});
              }),
              kInvalidDay);
    EXPECT_EQ(CodeOf([&] {
                  store.AddCalendarRange({"2026-02-30", "2026-03-01", "x"});
              }),
              kInvalidDay);
    EXPECT_TRUE(store.RemoveCalendarRange("2026-12-23", "2027-01-07"));
    EXPECT_FALSE(store.RemoveCalendarRange("2026-12-23", "2027-01-07"));
    EXPECT_EQ(store.Calendar().size(), 1u);
}

// The rules' grant, then the timetables, on the connection of the card's lookup.
TEST_P(TimetableStorage, ACardTheRulesGrantIsTurnedAwayOutsideItsTimetable) {
    console.AddStudent(Student());
    console.SaveStudent(Student("3"));
    store.Save(Pupils());
    store.AssignStudent("12345678", "Alumnado");
    store.AddCalendarRange({"2026-12-23", "2027-01-07", "Navidad"});
    Connection controller = Connection::Open(site->Location(), OpenMode::ExistingOnly);
    // As the station decides: the student and the timetables in one read, the rules, then the
    // timetables on the local clock.
    const auto decide = [&](std::time_t when) {
        const timetables::LocalMoment local = timetables::LocalMomentOf(when);
        const CardLookup card =
            LookUpCard(controller.Session(), "12345678", '3', local.isoDay, local.weekday);
        const tarvo::Verdict rules = tarvo::AccessRules::Decide(
            card.student, "12345678", '3',
            tarvo::ClockFields::FromClockText("Wed Dec  9 09:00:00 2026\n"));
        EXPECT_TRUE(rules.grant);
        return timetables::ApplyTimetables(rules, card.timetables, "12345678", local);
    };
    // The zone is the one the test run sets; 2026-12-09 is a Wednesday.
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 9;
    local.tm_hour = 9;
    local.tm_isdst = -1;
    const std::time_t wednesdayAtNine = std::mktime(&local);
    EXPECT_TRUE(decide(wednesdayAtNine).grant);
    local.tm_hour = 10;
    local.tm_min = 15;
    const tarvo::Verdict atBreak = decide(std::mktime(&local));
    EXPECT_FALSE(atBreak.grant);
    EXPECT_EQ(tarvo::OutcomeOf(atBreak, '3').motivo, "horario Alumnado");
    local.tm_mday = 28;  // a Monday at Christmas
    local.tm_hour = 9;
    local.tm_min = 0;
    EXPECT_EQ(tarvo::OutcomeOf(decide(std::mktime(&local)), '3').motivo, "día sin clase: Navidad");

    // The timetables cannot be read: nothing is decided (the station keeps the door shut and
    // tells the failure, as for any failed lookup).
    site->Run("DROP TABLE Tramos");
    EXPECT_NE(CodeOf([&] { decide(wednesdayAtNine); }), 0);
}

// A database of the previous version gets the new tables from the first program that opens it,
// with its rows kept.
TEST_P(TimetableStorage, ADatabaseOfTheVersionBeforeGetsTheTablesOnItsNextOpen) {
    console.AddStudent(Student());
    const bool file = dynamic_cast<FileSite*>(site.get()) != nullptr;
    site->Run(
        "DROP TABLE Horarios; DROP TABLE Tramos; DROP TABLE Calendario;"
        " DROP TABLE Horarios_alumnos; DROP TABLE Horarios_puertas;" +
        std::string(file ? " PRAGMA user_version = 4" : " UPDATE esquema SET version = 4"));
    {
        Connection again = Console();
        TimetableStore upgraded(again.Session());
        upgraded.Save(Pupils());
        EXPECT_EQ(upgraded.List(), std::vector<Timetable>{Pupils()});
        EXPECT_TRUE(again.FindStudent("12345678"));
    }
    EXPECT_EQ(site->Run(file ? "PRAGMA user_version" : "SELECT version FROM esquema"),
              Rows{std::to_string(kSchemaVersion)});
}

INSTANTIATE_TEST_SUITE_P(Engines, TimetableStorage, BothEngines(), EngineName);
