#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "controller/cycle/ControllerCycle.h"
#include "tests/controller/cycle/CycleFakes.h"

namespace {

using namespace cyclefakes;

constexpr const char* kStudentDni = "12345678";
constexpr const char* kUnknownDni = "87654321";

class CycleTest : public ::testing::Test {
  protected:
    CycleTest() { AddStudents(database, {Student(kStudentDni, "Ana", "Pérez", "1,5,8")}); }

    void Tick(char doorDigit = '5') { cycle.OnTimer(doorDigit); }
    // The journal from here on, for the checks of one tick.
    void Forget() {
        journal.clear();
        out.str("");
    }
    int Count(std::string_view entry) const {
        return static_cast<int>(std::count(journal.begin(), journal.end(), entry));
    }
    bool Has(std::string_view entry) const { return Count(entry) > 0; }

    TempFolder folder;
    std::filesystem::path database = folder / "Alumnos.mdb";
    Journal journal;
    FakeScreen screen{journal};
    FakeMessages messages{journal};
    ScriptedReaders readers{journal};
    FakeDoor door{journal};
    FakeTone tone;
    FakeSleeper sleeper;
    FakeClock clock;
    std::ostringstream out;
    ControllerCycle cycle{
        CycleServices{screen, messages, readers, door, tone, sleeper, clock, out, database}};
};

// --- Waiting, a card comes in ---------------------------------------------------------------

TEST_F(CycleTest, GrantedCardIsReadDecidedOpenedRecordedAndLoggedOnce) {
    readers.Then({CardConnected});
    Tick('5');

    EXPECT_EQ(Count("read"), 1);
    EXPECT_EQ(door.opened, "5");
    EXPECT_EQ(AccessRows(database), std::vector<std::string>{"12345678| 5/03/2024|09:41:07|5"});
    ASSERT_EQ(cycle.Log().Count(), 1);
    EXPECT_EQ(cycle.Log().Line(0),
              "\n 5/03/2024   09:41:07   Entrada 5   12345678   Ana   Pérez\tVALIDO\r\n");
    EXPECT_EQ(screen.log, cycle.Log().Line(0));
    EXPECT_EQ(tone.beeps, (std::vector<std::pair<unsigned, long>>{{275, 500}}));
    EXPECT_EQ(sleeper.waits, std::vector<unsigned>{200});
    EXPECT_EQ(out.str(), "Hacer el lectura de dni------     111 con flags=0");
    // The verdict stays in the status bar until a later tick replaces it.
    EXPECT_EQ(screen.status, "Procediendo a la lectura del dni");
    EXPECT_EQ(cycle.CardHandled(), 1);
    EXPECT_EQ(cycle.TickCount(), 0);
    EXPECT_EQ(journal.back(), "close");
}

TEST_F(CycleTest, ProcessingShowsItsStepsInOrder) {
    readers.Then({CardConnected});
    Tick('5');
    const Journal expected{"poll",   "status:Registrando DNI.",
                           "read",   "status:Procediendo a la lectura del dni",
                           "door:5", "log",
                           "close"};
    EXPECT_EQ(journal, expected);
}

TEST_F(CycleTest, CardLeftInIsNotReadAgain) {
    readers.Then({CardConnected}, 4);
    Tick();
    Forget();
    for (int tick = 0; tick < 3; ++tick) {
        Tick();
    }
    EXPECT_EQ(Count("read"), 0);
    EXPECT_EQ(Count("status:Retire la tarjeta."), 3);
    EXPECT_EQ(out.str(),
              "Hacer el ------     111 con flags=1Hacer el ------     111 con flags=1"
              "Hacer el ------     111 con flags=1");
    EXPECT_EQ(door.opened, "5");
    EXPECT_EQ(AccessRows(database).size(), 1u);
    EXPECT_EQ(cycle.Log().Count(), 1);
    // The reader is released before the prompt is shown.
    const auto release = std::find(journal.begin(), journal.end(), "release");
    const auto prompt = std::find(journal.begin(), journal.end(), "status:Retire la tarjeta.");
    EXPECT_LT(release, prompt);
}

TEST_F(CycleTest, RemovalEmptiesTheFieldsWaitsAndThenPrompts) {
    readers.Then({CardConnected});
    readers.Then({NoCard}, 2);
    Tick();
    Forget();
    sleeper.waits.clear();

    Tick();
    EXPECT_EQ(
        journal,
        (Journal{"poll", "dni:", "name:", "status:Espere unos segundos antes de insretar tarjeta.",
                 "release", "close", "close"}));
    EXPECT_EQ(sleeper.waits, std::vector<unsigned>{4000});
    EXPECT_EQ(cycle.CardHandled(), 0);

    Forget();
    Tick();
    EXPECT_EQ(screen.status, "Introduzca la tarjeta de estudiante.");
    EXPECT_EQ(sleeper.waits, std::vector<unsigned>{4000});  // no second wait
}

TEST_F(CycleTest, NextInsertionAfterRemovalIsReadAfresh) {
    readers.Then({CardConnected});
    readers.Then({NoCard});
    readers.Then({CardConnected});
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(Count("read"), 2);
    EXPECT_EQ(door.opened, "55");
    EXPECT_EQ(AccessRows(database).size(), 2u);
}

// --- Read failures ----------------------------------------------------------------------------

TEST_F(CycleTest, ApplicationNotSelectedShowsTheErrorAndReleasesTheReader) {
    readers.Then({CardConnected, -1});
    readers.Then({CardConnected});
    Tick();
    EXPECT_EQ(journal, (Journal{"poll", "status:Registrando DNI.", "read",
                                "status:Smart Card erronea. ", "release", "close", "close"}));
    EXPECT_TRUE(tone.beeps.empty());
    EXPECT_TRUE(door.opened.empty());
    EXPECT_EQ(cycle.Log().Count(), 0);
    // Not retried until the card has been out.
    Forget();
    Tick();
    EXPECT_EQ(Count("read"), 0);
    EXPECT_EQ(screen.status, "Retire la tarjeta.");
}

TEST_F(CycleTest, DniFileNotReadShowsTheErrorAndClosesAtTheEndOfTheTick) {
    readers.Then({CardConnected, -2});
    readers.Then({CardConnected});
    Tick();
    EXPECT_EQ(journal, (Journal{"poll", "status:Registrando DNI.", "read",
                                "status:Smart Card erronea o dañada.", "close"}));
    EXPECT_EQ(cycle.CardHandled(), 1);
    Forget();
    Tick();
    EXPECT_EQ(Count("read"), 0);
}

// --- The other reader events ------------------------------------------------------------------

TEST_F(CycleTest, ConnectionFailureIsShownOnceThenSilentUntilTheSlotIsEmpty) {
    readers.Then({ConnectFailed}, 3);
    readers.Then({NoCard});
    readers.Then({ConnectFailed});
    Tick();
    EXPECT_EQ(screen.dni, "Error de conexión.");
    EXPECT_EQ(screen.status, "Estraiga la targeta, espere unos segundos y reintentelo");
    EXPECT_EQ(cycle.CardHandled(), 1);

    Forget();
    Tick();
    Tick();
    EXPECT_EQ(Count("dni:Error de conexión."), 0);
    EXPECT_FALSE(std::any_of(journal.begin(), journal.end(),
                             [](const std::string& e) { return e.starts_with("status:"); }));

    Tick();  // the slot is empty again
    Forget();
    Tick();
    EXPECT_EQ(Count("dni:Error de conexión."), 1);
}

TEST_F(CycleTest, NoReaderEmptiesBothFieldsOnEveryTick) {
    readers.Then({NoReaderList}, 3);
    for (int tick = 0; tick < 3; ++tick) {
        Tick();
    }
    EXPECT_EQ(Count("status:Conecte un lector al equipo."), 3);
    EXPECT_EQ(Count("dni:"), 3);
    EXPECT_EQ(Count("name:"), 3);
    EXPECT_EQ(Count("release"), 3);
}

TEST_F(CycleTest, ContextFailureAsksToRestart) {
    readers.Then({ContextFailed});
    Tick();
    EXPECT_EQ(journal,
              (Journal{"poll", "dni:Error de establecimiento de contexto.", "name:",
                       "status:Aborte de inmediato la aplicacion y vuelba a intentarlo mas tarde.",
                       "release", "close", "close"}));
}

TEST_F(CycleTest, CardRemovedWhileConnectingIsAnUnexpectedAnswer) {
    readers.Then({CardRemoved});
    Tick();
    EXPECT_EQ(journal, (Journal{"poll", "name:", "status:La respuesta ha sido inesperada.",
                                "release", "close", "close"}));
    EXPECT_EQ(cycle.CardHandled(), 0);
}

TEST_F(CycleTest, NotPresentEmptiesTheNameOnlyAndKeepsTheReaderUntilTheEnd) {
    readers.Then({NoCard});
    readers.Then({NotPresent});
    Tick();
    Forget();
    Tick();
    // The second tick also blanks; only the name field is emptied by the event itself.
    EXPECT_EQ(journal, (Journal{"name: ", "dni: ", "poll", "name:", "close"}));
    EXPECT_EQ(screen.status, "Introduzca la tarjeta de estudiante.");
}

// --- Blanking counter -------------------------------------------------------------------------

TEST_F(CycleTest, IdleFieldsAreBlankedEverySecondTick) {
    readers.Then({NoCard}, 4);
    std::vector<int> blankedOnTick;
    for (int tick = 1; tick <= 4; ++tick) {
        Forget();
        Tick();
        if (Has("name: ") && Has("dni: ")) {
            blankedOnTick.push_back(tick);
        }
    }
    EXPECT_EQ(blankedOnTick, (std::vector<int>{2, 4}));
}

TEST_F(CycleTest, VerdictStaysUpThroughTheNextTickAndIsBlankedOnTheOneAfter) {
    readers.Then({NoCard});  // tick 1: counter at 1
    readers.Then({CardConnected});
    readers.Then({CardConnected}, 2);
    Tick();
    Tick('2');  // a denial writes both fields
    EXPECT_EQ(screen.dni, "No posee autorizacion al recinto ");
    EXPECT_EQ(cycle.TickCount(), 0);
    Forget();
    Tick();
    EXPECT_FALSE(Has("dni: "));
    EXPECT_EQ(screen.dni, "No posee autorizacion al recinto ");
    Forget();
    Tick();
    EXPECT_EQ(journal.front(), "name: ");
    EXPECT_EQ(journal.at(1), "dni: ");
}

// --- Outcomes of the decision -----------------------------------------------------------------

TEST_F(CycleTest, DoorNotListedIsDeniedWithoutRecordOrDoorCommand) {
    readers.Then({CardConnected});
    Tick('2');
    EXPECT_TRUE(door.opened.empty());
    EXPECT_TRUE(AccessRows(database).empty());
    EXPECT_EQ(screen.name, "Ana   Pérez");
    EXPECT_EQ(screen.dni, "No posee autorizacion al recinto ");
    EXPECT_EQ(cycle.Log().Line(0),
              "\n 5/03/2024   09:41:07   Entrada 2   12345678   Ana   Pérez\tDENEGADO\r\n");
}

TEST_F(CycleTest, UnregisteredDniLeavesOnlyALogLineWithoutVerdict) {
    readers.Then({CardConnected, 1, kUnknownDni});
    Tick('5');
    EXPECT_TRUE(door.opened.empty());
    EXPECT_TRUE(AccessRows(database).empty());
    EXPECT_EQ(screen.name, "Nombre no registrado");
    EXPECT_EQ(cycle.Log().Line(0),
              "\n 5/03/2024   09:41:07   Entrada 5   87654321   Acceso denegado\r\n");
}

TEST_F(CycleTest, FailedDoorIsReportedWhileTheGrantIsStillRecordedAndLogged) {
    door.outcome = {false, "/dev/ttyS8: open: No such file or directory"};
    readers.Then({CardConnected});
    Tick('5');
    EXPECT_EQ(screen.status, "No se ha podido abrir la puerta 5.");
    EXPECT_NE(out.str().find("No se pudo abrir la puerta 5: /dev/ttyS8: open: No such file"),
              std::string::npos);
    EXPECT_EQ(AccessRows(database).size(), 1u);
    EXPECT_TRUE(cycle.Log().Line(0).ends_with("\tVALIDO\r\n"));
    EXPECT_TRUE(messages.shown.empty());
}

// --- Database failures ------------------------------------------------------------------------

class CycleDatabaseTest : public CycleTest {
  protected:
    // Replaces the station's file by one built by hand with these statements.
    void HandMadeDatabase(const char* statements) {
        std::filesystem::remove(database);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
};

TEST_F(CycleDatabaseTest, MissingFileIsShownCountsTheCardAndTheControllerGoesOn) {
    std::filesystem::remove(database);
    readers.Then({CardConnected});
    readers.Then({CardConnected});
    readers.Then({NoCard});
    readers.Then({CardConnected});
    Tick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("Alumnos.mdb"), std::string::npos);
    EXPECT_EQ(screen.status, messages.shown[0]);
    EXPECT_EQ(cycle.CardHandled(), 1);
    EXPECT_TRUE(door.opened.empty());
    EXPECT_EQ(cycle.Log().Count(), 0);
    EXPECT_FALSE(std::filesystem::exists(database));  // never created by the controller

    Tick();  // still in: handled, not read again
    EXPECT_EQ(Count("read"), 1);
    Tick();  // out
    AddStudents(database, {Student(kStudentDni, "Ana", "Pérez", "5")});
    Tick();  // the next card works once the file is back
    EXPECT_EQ(door.opened, "5");
    EXPECT_EQ(AccessRows(database).size(), 1u);
}

TEST_F(CycleDatabaseTest, DamagedFileIsAnOpenFailureNotACrash) {
    std::filesystem::remove(database);
    {
        std::ofstream junk(database);
        junk << std::string(4096, 'x');
    }
    readers.Then({CardConnected});
    Tick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(screen.status, messages.shown[0]);
    EXPECT_EQ(cycle.Log().Count(), 0);
}

TEST_F(CycleDatabaseTest, LookupFailureInAugustRecordsNothingEvenAfterTheDoorMatched) {
    // The door list matches, then the August column is missing: the failure strikes after the
    // door was found permitted. No door, no record; the box shows the failure.
    HandMadeDatabase(
        "CREATE TABLE Alumnos (DNI INTEGER PRIMARY KEY, Nombre TEXT, Apellido1 TEXT, Puerta TEXT);"
        "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT, Puerta TEXT);"
        "INSERT INTO Alumnos VALUES (12345678, 'Ana', 'Pérez', '5');");
    clock.now = FakeClock::Local(2024, 8, 14, 10, 0, 0);
    readers.Then({CardConnected});
    Tick('5');
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(screen.name, "Algun problema en BBDD");
    EXPECT_TRUE(door.opened.empty());
    EXPECT_TRUE(AccessRows(database).empty());
    ASSERT_EQ(cycle.Log().Count(), 1);
    EXPECT_FALSE(cycle.Log().Line(0).ends_with("\tVALIDO\r\n"));
    // Name field, then the box, then nothing opened.
    const auto name = std::find(journal.begin(), journal.end(), "name:Algun problema en BBDD");
    const auto box = std::find_if(journal.begin(), journal.end(),
                                  [](const std::string& e) { return e.starts_with("box:"); });
    EXPECT_LT(name, box);
}

TEST_F(CycleDatabaseTest, TickWhileTheBoxIsOpenDoesNotReadTheCardAgain) {
    HandMadeDatabase(
        "CREATE TABLE Alumnos (DNI INTEGER PRIMARY KEY, Nombre TEXT, Apellido1 TEXT);"
        "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT, Puerta TEXT);"
        "INSERT INTO Alumnos VALUES (12345678, 'Ana', 'Pérez');");
    readers.Then({CardConnected}, 2);
    bool nestedTickRan = false;
    messages.whileOpen = [&] {
        messages.whileOpen = nullptr;
        Tick();
        nestedTickRan = true;
    };
    Tick();
    ASSERT_TRUE(nestedTickRan);
    EXPECT_EQ(Count("read"), 1);
    EXPECT_EQ(Count("status:Retire la tarjeta."), 1);
    EXPECT_EQ(cycle.Log().Count(), 1);
    EXPECT_EQ(cycle.CardHandled(), 1);
}

TEST_F(CycleDatabaseTest, FailedRecordIsShownAndTheLineStillSaysValido) {
    // Picadas without its Puerta column: the append fails after the door was opened.
    HandMadeDatabase(
        "CREATE TABLE Alumnos (DNI INTEGER PRIMARY KEY, Nombre TEXT, Apellido1 TEXT,"
        " Puerta TEXT, Agosto TEXT, Fin_de_semana TEXT, Periodo_temporal TEXT,"
        " FechaA TEXT, FechaB TEXT);"
        "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT);"
        "INSERT INTO Alumnos VALUES (12345678, 'Ana', 'Pérez', '5', '0', '0', '0', '', '');");
    readers.Then({CardConnected});
    Tick('5');
    EXPECT_EQ(door.opened, "5");
    EXPECT_EQ(messages.shown.size(), 1u);
    ASSERT_EQ(cycle.Log().Count(), 1);
    EXPECT_TRUE(cycle.Log().Line(0).ends_with("\tVALIDO\r\n"));
}

}  // namespace
