// "Buscar Registro": the lookup, the record on the form, the history lines.
#include <gtest/gtest.h>

#include "ConsoleHarness.h"
#include "accessdb/SqliteHandles.h"
#include "console/commands/ControlIds.h"

namespace mireval::testing {
namespace {

const std::string kNoHistory = "Este usuario no tiene accesos registrados en su historial";
const std::string kWrongDni =
    "DNI incorrecto. El DNI consta de 8 digitos sin letra.\nIntroduzca de nuevo los datos.";

std::vector<int> Checked(const TemplateControls& c, std::initializer_list<int> boxes) {
    std::vector<int> checked;
    for (int box : boxes) {
        if (c.GetCheck(box) == 1) {
            checked.push_back(box);
        }
    }
    return checked;
}

TEST(SearchRecord, AWrongLengthIsRefusedBeforeTheFileIsOpened) {
    for (const std::string dni : {"1234567", "123456789"}) {
        Console console;
        console.controls.Type(1005, dni);
        console.Click(1028);
        EXPECT_EQ(console.messages.Texts(), std::vector<std::string>{kWrongDni});
        EXPECT_EQ(console.controls.GetWindowText(1005), "");
        EXPECT_FALSE(console.controls.IsReadOnly(1005)) << "the DNI box stays editable";
        EXPECT_FALSE(std::filesystem::exists(console.file.Path())) << "no connection was opened";
    }
}

TEST(SearchRecord, ADniWithALetterShowsTheDatabasesDescription) {
    Console console;
    console.Search("1234567A");
    ASSERT_EQ(console.messages.Shown().size(), 1u);
    const std::string shown = console.messages.Texts().front();
    EXPECT_NE(shown, "El DNI introducido no esta registrado en la base de datos");
    EXPECT_NE(shown.find("1234567A"), std::string::npos) << shown;
    EXPECT_TRUE(console.controls.IsReadOnly(1005));
    EXPECT_TRUE(console.controls.IsWindowEnabled(1028));
}

TEST(SearchRecord, AnUnregisteredDniIsReportedAndTheDniBoxStaysReadOnly) {
    Console console;
    console.file.AddStudent(Student("11111111", "Ana", "Ruiz"));
    console.Search("22222222");
    EXPECT_EQ(
        console.messages.Texts(),
        std::vector<std::string>{"El DNI introducido no esta registrado en la base de datos"});
    EXPECT_TRUE(console.controls.IsReadOnly(1005));
    EXPECT_TRUE(console.controls.IsWindowEnabled(1028));
    EXPECT_FALSE(console.controls.IsWindowEnabled(1030));
}

TEST(SearchRecord, ShowsNamesDoorsFlagsAndPeriodAsStored) {
    Console console;
    console.file.AddStudent(
        Student("01234567", "Ana", "Ruiz", "Gil", "1,3,", "1", "0", "1", "05/03/14", "31/12/14"));
    console.Search("01234567");
    auto& c = console.controls;
    EXPECT_TRUE(console.messages.Shown().empty());
    EXPECT_EQ(c.GetWindowText(1002), "Ana");
    EXPECT_EQ(c.GetWindowText(1006), "Ruiz");
    EXPECT_EQ(c.GetWindowText(1007), "Gil");
    EXPECT_EQ(Checked(c, {1048, 1049, 1050, 1051, 1052, 1053, 1054, 1055}),
              (std::vector<int>{1048, 1050}));
    EXPECT_EQ(Checked(c, {1009, 1010, 1011}), (std::vector<int>{1010, 1011}));
    std::string dates;
    for (int list : {1025, 1026, 1016, 1021, 1022, 1023}) {
        dates += c.GetWindowText(list) + "/";
    }
    EXPECT_EQ(dates, "05/03/14/31/12/14/");
}

TEST(SearchRecord, NoDoorAndPeriodOffShowNothingCheckedAndLeaveTheDateLists) {
    Console console;
    console.file.AddStudent(
        Student("11111111", "Ana", "Ruiz", "", "", "0", "1", "0", "05/03/14", "31/12/14"));
    console.Search("11111111");
    auto& c = console.controls;
    EXPECT_EQ(Checked(c, {1048, 1049, 1050, 1051, 1052, 1053, 1054, 1055}), std::vector<int>{});
    EXPECT_EQ(Checked(c, {1009, 1010, 1011}), std::vector<int>{1009});
    EXPECT_EQ(c.GetWindowText(1025), " ");  // still the list's first entry
    EXPECT_EQ(console.form.Members().m_periodoTemporal, 0);
}

TEST(SearchRecord, HistoryLinesInTheOrderWrittenEachEndingInALineBreak) {
    Console console;
    console.file.AddStudent(Student("11111111", "Ana", "Ruiz"));
    console.file.AddStudent(Student("22222222", "Otro", "Alumno"));
    console.file.AddAccess("11111111", "15/03/2014", "10:20:30", "3");
    console.file.AddAccess("22222222", "16/03/2014", "09:00:00", "1");
    console.file.AddAccess("11111111", " 5/04/2014", "08:00:01", "8");
    console.Search("11111111");
    EXPECT_EQ(console.controls.GetWindowText(1033),
              "15/03/2014  10:20:30  Acceso a entrada nº 3\r\n"
              " 5/04/2014  08:00:01  Acceso a entrada nº 8\r\n");
    EXPECT_TRUE(console.controls.IsWindowEnabled(1029));
    EXPECT_TRUE(console.controls.IsWindowEnabled(1037));
}

TEST(SearchRecord, NoHistoryShowsTheNoHistoryTextAndLeavesEliminarHistorial) {
    Console console;
    console.file.AddStudent(Student("11111111", "Ana", "Ruiz"));
    console.Search("11111111");
    EXPECT_TRUE(console.messages.Shown().empty());
    EXPECT_EQ(console.controls.GetWindowText(1033), kNoHistory);
    EXPECT_EQ(kNoHistory.size(), 57u);
    EXPECT_FALSE(console.controls.IsWindowEnabled(1029)) << "kept from the initial form";
    EXPECT_FALSE(console.controls.IsWindowEnabled(1037));
    EXPECT_TRUE(console.controls.IsWindowEnabled(1030));
    EXPECT_EQ(console.controls.GetWindowText(1002), "Ana");
}

// Dates shorter than eight characters, or with pieces the lists do not offer, show as blank
// lists rather than as whatever the lists showed before.
TEST(SearchRecord, ShortOrForeignStoredDatesShowAsBlankLists) {
    Console console;
    console.file.AddStudent(Student("11111111", "Ana", "Ruiz", "", "", "0", "0", "1", "5/3", ""));
    console.file.AddStudent(
        Student("22222222", "Eva", "Paz", "", "", "0", "0", "1", "05/03/26", "31/12/26"));
    console.Search("22222222");
    console.Click(1032);
    console.Click(1032);  // cancel: reloads 22222222
    console.Click(1027);
    console.Search("11111111");
    auto& c = console.controls;
    EXPECT_TRUE(console.messages.Texts().size() == 1u);  // only the edit-mode notice
    EXPECT_EQ(c.GetCheck(1011), 1);
    for (int list : {1025, 1026, 1016, 1021, 1022, 1023}) {
        EXPECT_EQ(c.GetWindowText(list), " ") << list;
    }
}

TEST(SearchRecord, AFolderThatCannotHoldTheFileEndsTheCommandWithItsDescription) {
    TemporaryFolder parent;
    Console console(parent.Path() / "missing" / "folder");
    console.Search("11111111");
    ASSERT_EQ(console.messages.Shown().size(), 1u);
    EXPECT_FALSE(console.messages.Texts().front().empty());
    EXPECT_FALSE(console.controls.IsReadOnly(1005)) << "the command ended before the lookup";
    EXPECT_TRUE(console.controls.IsWindowEnabled(1028));
}

// A school may build the file with the sqlite3 shell from a spreadsheet: two bare tables, no
// defaults, its name in lower case.
TEST(SearchRecord, ReadsAFileMadeByHandWithJustTheTwoTables) {
    TemporaryFolder folder;
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open((folder.Path() / "alumnos.mdb").c_str(), &raw), SQLITE_OK);
        accessdb::sqlite::DatabaseHandle db(raw);
        accessdb::sqlite::Execute(
            raw,
            "CREATE TABLE Alumnos (DNI INTEGER, Nombre TEXT, Apellido1 TEXT, Apellido2 TEXT, "
            "Puerta TEXT, Agosto TEXT, Fin_de_semana TEXT, Periodo_temporal TEXT, FechaA TEXT, "
            "FechaB TEXT);"
            "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT, Puerta TEXT);"
            "INSERT INTO Alumnos VALUES (1234567, 'Ana', 'Ruiz', 'Gil', '2,8', '0', '1', '0', '', "
            "'');");
    }
    Console console(folder.Path());
    console.Search("01234567");
    EXPECT_TRUE(console.messages.Shown().empty());
    EXPECT_EQ(console.controls.GetWindowText(1002), "Ana");
    EXPECT_EQ(console.controls.GetCheck(1055), 1);
    EXPECT_EQ(console.controls.GetWindowText(1033),
              "Este usuario no tiene accesos registrados en su historial");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Alumnos.mdb")) << "no second file";
}

// With both spellings in one folder, every command meets on the same one.
TEST(SearchRecord, ReadsTheFileTheOtherCommandsWriteWhateverTheSpellingsInTheFolder) {
    Console console;
    console.file.AddStudent(Student("11111111", "Ana", "Ruiz"));
    std::filesystem::copy_file(console.file.Path(), console.folder.Path() / "alumnos.mdb");
    console.file.Open().SaveStudent(Student("11111111", "Anabel", "Ruiz"));
    console.Search("11111111");
    EXPECT_EQ(console.controls.GetWindowText(1002), "Anabel");
}

}  // namespace
}  // namespace mireval::testing
