// The controller cycle records every card whose DNI it read among the attempts, on the file and
// on the server: the whole verdict table, cards that could not be read, and an attempt that
// cannot be written, which must leave the card's door, access record and log line as they are.
// The reader, door, tone and clock are the cycle's fakes; the tables are real.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Sites.h"
#include "accessdb/AdminTables.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "controller/cycle/AccessRules.h"
#include "controller/cycle/CycleFakes.h"
#include "controller/cycle/StationName.h"
#include "controller/journal/StationJournal.h"
#include "support/TempFolder.h"

using namespace accessdb;
using namespace testsites;
using namespace tarvo;
using namespace tarvo::cyclefakes;

namespace {

// One row of the verdict table: the student as the console saved them, the moment and door of
// the card, and the attempt it must leave.
struct Case {
    const char* what;
    StudentRecord student;
    const char* when;
    char door;
    std::string dni;
    std::string resultado;
    std::string motivo;
};

std::vector<Case> VerdictTable() {
    const std::string ana = "12345678";
    return {
        {"granted", Student("1,5,8"), "2024-03-05 09:41:07", '5', ana, kOutcomeGranted, ""},
        {"no door selected", Student("1,5,8"), "2024-03-05 09:41:08", '0', ana, kOutcomeDenied,
         kReasonNoDoor},
        {"door not permitted", Student("1,5,8"), "2024-03-05 09:41:09", '3', ana, kOutcomeDenied,
         kReasonDoorNotPermitted},
        {"August", Student("5", "1", "1", "1", "01/08/24", "31/08/24"), "2024-08-13 10:00:00", '5',
         ana, kOutcomeDenied, kReasonAugust},
        {"weekend", Student("5", "0", "1", "1", "01/03/24", "31/03/24"), "2024-03-09 10:00:01", '5',
         ana, kOutcomeDenied, kReasonWeekend},
        {"period", Student("5", "0", "0", "1", "01/03/24", "31/03/24"), "2024-03-05 10:00:02", '5',
         ana, kOutcomeDenied, kReasonPeriod},
        {"outside the period", Student("5", "0", "0", "1", "01/03/24", "05/03/24"),
         "2024-03-05 10:00:03", '5', ana, kOutcomeGranted, ""},
        {"unregistered", Student("5"), "2024-03-05 10:00:04", '5', "87654321", kOutcomeUnregistered,
         ""},
        {"a DNI the lookup refuses", Student("5"), "2024-03-05 10:00:05", '5', "1234567a",
         kOutcomeError, "Error de sintaxis: el DNI \"1234567a\" no es un número de ocho cifras."},
    };
}

std::string Shown(const AttemptRecord& a) {
    return a.dni + "|" + a.fecha + "|" + a.hora + "|" + a.puerta + "|" + a.puesto + "|" +
           a.resultado + "|" + a.motivo;
}

class StationAttempts : public ::testing::TestWithParam<Engine> {
  protected:
    Connection Console() { return Connection::Open(site->Location(), OpenMode::CreateIfMissing); }
    // Every attempt, in the order written.
    std::vector<std::string> AttemptRows() {
        std::vector<std::string> rows;
        auto admin = OpenAdminTables(site->Location(), OpenMode::ExistingOnly);
        for (const PositionedAttempt& row : admin->AttemptsAfter(std::nullopt, 1000)) {
            rows.push_back(Shown(row.attempt));
        }
        return rows;
    }
    Rows AccessRows() { return site->Run("SELECT DNI, Fecha, Hora, Puerta FROM Picadas"); }
    void Register(const StudentRecord& student) {
        Connection db = Console();
        if (!db.FindStudent(student.dni)) {
            db.AddStudent(student);
        }
        db.SaveStudent(student);
    }

    std::unique_ptr<Site> site = GetParam().make();
};

}  // namespace

TEST_P(StationAttempts, EveryVerdictOfACardThatWasReadIsRecordedAndOnlyGrantsInPicadas) {
    StationOn station(site->Location());
    Register(Student("1,5,8"));
    std::vector<std::string> expected;
    for (const Case& c : VerdictTable()) {
        SCOPED_TRACE(c.what);
        Register(c.student);
        station.clock.now = FakeClock::Local(c.when);
        station.Present(c.dni, c.door);
        const ClockFields now = AccessRules(station.clock).ReadClock();
        expected.push_back(Shown({c.dni, now.fecha, now.hora, std::string(1, c.door),
                                  "puerta-norte", c.resultado, c.motivo}));
        EXPECT_EQ(AttemptRows(), expected);
    }
    // Cards the reader could not read leave no attempt: there is no DNI to record.
    station.Present("12345678", '5', -1);
    station.Present("12345678", '5', -2);
    EXPECT_EQ(AttemptRows().size(), VerdictTable().size());
    EXPECT_EQ(AccessRows(),
              (Rows{"12345678| 5/03/2024|09:41:07|5", "12345678| 5/03/2024|10:00:03|5"}));
    EXPECT_EQ(station.door.opened, "55");
    EXPECT_EQ(station.out.str().find("No se pudo guardar"), std::string::npos);
}

TEST_P(StationAttempts, AnAttemptThatCannotBeWrittenChangesNothingOfTheCardsGrant) {
    Register(Student("1,5,8"));
    StationOn sound(site->Location());
    sound.Present("12345678", '5');
    ASSERT_EQ(AttemptRows().size(), 1u);

    site->FailOn("Intentos", "INSERT");
    StationOn faulty(site->Location());
    faulty.Present("12345678", '5');
    // The same screens, door and log line as the card whose attempt was kept, and no box.
    EXPECT_EQ(faulty.journal, sound.journal);
    EXPECT_EQ(faulty.cycle.Log().JoinedText(), sound.cycle.Log().JoinedText());
    EXPECT_NE(faulty.cycle.Log().JoinedText().find("\tVALIDO\r\n"), std::string::npos);
    EXPECT_EQ(faulty.door.opened, "5");
    EXPECT_EQ(AccessRows().size(), 2u);
    EXPECT_TRUE(faulty.messages.shown.empty());
    // Told on standard output, one line of its own after the read's.
    const std::string out = faulty.out.str();
    EXPECT_TRUE(out.starts_with(sound.out.str())) << out;
    const std::string told = out.substr(sound.out.str().size());
    EXPECT_TRUE(told.starts_with("\nNo se pudo guardar el intento: ")) << told;
    EXPECT_NE(told.find("fallo provocado"), std::string::npos) << told;
    EXPECT_TRUE(told.ends_with("\n")) << told;
    EXPECT_EQ(AttemptRows().size(), 1u);

    // The other way round: the access record fails (its box, as ever) and the attempt waits
    // behind it in the journal: records reach the database in the order they were made, both
    // at the next card once the database takes them.
    site->ClearFaults();
    site->FailOn("Picadas", "INSERT");
    StationOn noRecord(site->Location());
    noRecord.Present("12345678", '5');
    EXPECT_EQ(noRecord.door.opened, "5");
    EXPECT_EQ(noRecord.messages.shown.size(), 1u);
    EXPECT_EQ(AccessRows().size(), 2u);
    EXPECT_EQ(AttemptRows().size(), 1u);
    site->ClearFaults();
    noRecord.Present("12345678", '5');
    EXPECT_EQ(AccessRows().size(), 4u);
    ASSERT_EQ(AttemptRows().size(), 3u);
    EXPECT_NE(AttemptRows()[1].find("|concedido|"), std::string::npos);
}

// A grant or attempt the database refuses waits in the station's journal, survives the
// station's end, and is written once at its next start; a record the journal still owes but
// the database already holds (the station died between the two) is not written again.
TEST_P(StationAttempts, WhatTheDatabaseRefusedIsWrittenOnceWhenItTakesItAgain) {
    Register(Student("1,5,8"));
    TempFolder state;
    site->FailOn("Picadas", "INSERT");
    site->FailOn("Intentos", "INSERT");
    {
        StationOn station(site->Location(), state.Path());
        station.clock.now = FakeClock::Local("2024-03-05 09:41:07");
        station.Present("12345678", '5');
        EXPECT_EQ(station.door.opened, "5");
        EXPECT_NE(station.out.str().find("diario del puesto"), std::string::npos)
            << station.out.str();
    }
    EXPECT_TRUE(AccessRows().empty());
    EXPECT_TRUE(AttemptRows().empty());
    EXPECT_EQ(StationJournal(state / "puerta-norte").Owed().size(), 2u);

    site->ClearFaults();
    const std::string owed = "12345678| 5/03/2024|09:41:07|5";
    {
        StationOn station(site->Location(), state.Path());
        station.cycle.OnTimer('5');  // the first tick, no card yet
        EXPECT_EQ(AccessRows(), Rows{owed});
        EXPECT_EQ(AttemptRows().size(), 1u);
        station.clock.now = FakeClock::Local("2024-03-05 10:00:00");
        station.Present("12345678", '5');
    }
    EXPECT_EQ(AccessRows(), (Rows{owed, "12345678| 5/03/2024|10:00:00|5"}));
    EXPECT_EQ(AttemptRows().size(), 2u);

    {
        StationJournal journal(state / "puerta-norte");
        EXPECT_TRUE(journal.Owed().empty());
        const AccessRecord access{"12345678", " 6/03/2024", "08:00:00", "5"};
        journal.Owe({"puerta-norte-1-1", access, {}});
        ASSERT_TRUE(Console().AppendAccessOnce("puerta-norte-1-1", access));
    }
    StationOn restarted(site->Location(), state.Path());
    restarted.cycle.OnTimer('5');
    EXPECT_EQ(AccessRows().size(), 3u);
    EXPECT_TRUE(StationJournal(state / "puerta-norte").Owed().empty());
}

TEST_P(StationAttempts, WithoutADatabaseTheCardIsToldNotToHaveBeenRecorded) {
    // No tables at all: the controller never creates them, and has nowhere to write.
    StationOn station(site->Location());
    station.Present("12345678", '5');
    EXPECT_EQ(station.door.opened, "");
    const std::string out = station.out.str();
    const std::size_t told = out.find("\nNo se pudo guardar el intento: ");
    ASSERT_NE(told, std::string::npos) << out;
    EXPECT_EQ(out.find('\n', told + 1), out.size() - 1) << out;
    EXPECT_EQ(station.messages.shown.size(), 1u);
    EXPECT_FALSE(site->HasTables());
}

INSTANTIATE_TEST_SUITE_P(Engines, StationAttempts, BothEngines(), EngineName);

// The station's name: TARVO_STATION when the site sets it, else the machine's.
TEST(StationName, ComesFromTheVariableOrTheHostName) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    unsetenv(kStationVariable);
    EXPECT_EQ(StationName(), host);
    setenv(kStationVariable, "", 1);
    EXPECT_EQ(StationName(), host);

    setenv(kStationVariable, "Conserjería", 1);
    Station station;  // devices as the window builds them, station not named
    station.readers.Then({CardConnected, 1, "12345678"});
    station.cycle.OnTimer('5');
    unsetenv(kStationVariable);
    const Rows puesto = Sql(station.database, "SELECT Puesto, Resultado FROM Intentos");
    EXPECT_EQ(puesto, Rows{"Conserjería|concedido"});
}
