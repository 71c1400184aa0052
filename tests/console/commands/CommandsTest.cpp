// The seven commands on real files, each beside another student whose rows must stay as they are.
#include <filesystem>

#include "ConsoleHarness.h"

namespace mireval::testing {
namespace {

using namespace ids;

const char* const kStudent = "11111111";
const accessdb::StudentRecord kPlain{kStudent, "Ana", "Ruiz", "Gil", "", "0", "0", "0", "", ""};
const accessdb::StudentRecord kOther{"22222222", "Luis", "Mora", "",         "5",
                                     "1",        "1",    "1",    "01/01/20", "02/02/20"};
const std::string kOtherUntouched = "Luis|Mora||5|1|1|1|01/01/20|02/02/20|2 accesses";
const std::string kNoHistory = "Este usuario no tiene accesos registrados en su historial";
const std::string kConfirmHistory =
    "? Está usted seguro de querer eliminar el historial de accesos de este usuario manera "
    "permanente";
const std::string kConfirmRecord =
    "? Está usted seguro de querer eliminar este registro de manera permanente";
const std::string kGone = "No hay ningún registro activo.";

// The student shown on the form, in edit mode when asked; the boxes so far are already read.
struct Showing : Console {
    explicit Showing(const accessdb::StudentRecord& student, int accesses, bool edit = false) {
        Seed(student, accesses);
        Seed(kOther, 2);
        Search(student.dni);
        if (edit) {
            Click(kModifyOrCancel);
        }
        messages.shown.clear();
    }
    bool InEditMode() const {  // the flag and the caption must agree
        const bool edit = form.Members().m_modoEdicion;
        EXPECT_EQ(controls.GetWindowText(kAddOrSave), edit ? "GUARDAR" : "Añadir Registro");
        return edit;
    }
    std::string Other() const {
        return Stored(kOther.dni) + "|" + std::to_string(Accesses(kOther.dni)) + " accesses";
    }
};

// The name boxes are read-only outside edit mode: a new student's names reach the form only as
// the exchange reads them, so they are set directly.
void Fill(Console& console, const std::string& dni, std::string_view nombre,
          std::string_view apellido1, std::string_view apellido2) {
    console.Type(kDni, dni);
    console.controls.SetWindowText(kNombre, nombre);
    console.controls.SetWindowText(kApellido1, apellido1);
    console.controls.SetWindowText(kApellido2, apellido2);
}

// A DNI of another length is refused before the file is opened; one with a letter reaches the
// database, whose description names it, and nothing is stored.
TEST(RecordCommands, ADniThatIsNotEightDigitsIsRefusedAndStoresNothing) {
    for (int command : {kSearch, kAddOrSave}) {
        for (const std::string dni : {"1234567", "123456789", "1234567X"}) {
            SCOPED_TRACE(dni);
            Console console;
            Fill(console, dni, "Ana", "Ruiz", "");
            console.Click(command);
            ASSERT_EQ(console.messages.shown.size(), 1u);
            if (dni.size() != 8) {
                EXPECT_EQ(console.messages.shown[0],
                          "DNI incorrecto. El DNI consta de 8 digitos sin letra.\nIntroduzca de "
                          "nuevo los datos.");
                EXPECT_EQ(console.controls.GetWindowText(kDni), "");
                EXPECT_FALSE(console.controls.IsReadOnly(kDni));
                EXPECT_FALSE(std::filesystem::exists(console.File()));
            } else {
                EXPECT_NE(console.messages.shown[0].find(dni), std::string::npos);
                EXPECT_EQ(console.controls.GetWindowText(kApellido1),
                          command == kAddOrSave ? "Algun problema en BBDD" : "Ruiz");
                EXPECT_EQ(Sql(console.File(), "SELECT count(*) FROM Alumnos"), Rows{"0"});
            }
        }
    }
}

// Without a handler of its own, the failure would end the program.
TEST(RecordCommands, AFileThatCannotBeOpenedEndsTheCommandWithItsDescription) {
    Console console("missing/folder");
    console.Search(kStudent);
    ASSERT_EQ(console.messages.shown.size(), 1u);
    EXPECT_NE(console.messages.shown[0], "");
    EXPECT_FALSE(console.controls.IsReadOnly(kDni)) << "the command ended before the lookup";
}

TEST(AddRecord, StoresTheStudentAndConfirmsWithTheNamesLongerThanOneCharacter) {
    const std::array<const char*, 4> cases[] = {
        {"Ana", "Ruiz", "", "\n Nombre: Ana\n Apellido1: Ruiz"},
        {"A", "Ñ", "Gómez", "\n Apellido2: Gómez"}};
    for (const auto& [nombre, apellido1, apellido2, lines] : cases) {
        Console console;
        Fill(console, kStudent, nombre, apellido1, apellido2);
        const std::string before = console.Snapshot();
        console.Click(kAddOrSave);
        EXPECT_EQ(console.messages.shown,
                  Boxes{" Nuevo registro añadido con clave principal:\n DNI: 11111111" +
                        std::string(lines) +
                        "\n Acceso permitido a entradas: <NINGUNA>\n Para dar permisos de acceso a "
                        "este usuario pulse\n [Buscar Registro] y [Modificar Datos de Registro]"});
        EXPECT_EQ(console.Stored(kStudent),
                  std::string(nombre) + "|" + apellido1 + "|" + apellido2 + "||0|0|0||");
        EXPECT_EQ(console.Snapshot(), before) << "the form stays as it was";
    }
}

TEST(AddRecord, TheSameDniTwiceIsRefusedAndEmptiesTheBoxes) {
    Console console;
    Fill(console, kStudent, "Ana", "Ruiz", "Gil");
    console.Click(kAddOrSave);
    console.controls.SetWindowText(kNombre, "Otra");
    console.Click(kAddOrSave);
    ASSERT_EQ(console.messages.shown.size(), 2u);
    EXPECT_EQ(console.messages.shown[1],
              "Error al generar nuevo registro.\nYa existe registro con  DNI: 11111111");
    EXPECT_EQ(console.Shown().substr(0, 4), "||||");
    EXPECT_EQ(console.Stored(kStudent), "Ana|Ruiz|Gil||0|0|0||");
}

TEST(SearchRecord, AnUnregisteredDniIsReportedAndNothingShown) {
    Console console;
    console.Seed(kOther);
    console.Search(kStudent);
    EXPECT_EQ(console.messages.shown,
              Boxes{"El DNI introducido no esta registrado en la base de datos"});
    EXPECT_EQ(console.Shown(), "11111111|||| / /- / / |000|00000000") << "nothing shown";
}

TEST(SaveRecord, StoresNamesFlagsAndDoorsAndWithThePeriodOffNoDates) {
    Showing named(kPlain, 1, true);
    named.Type(kNombre, "Ana María");
    for (int box : {kDoorBoxes[1], kDoorBoxes[7], kAgosto, kAddOrSave}) {
        named.Click(box);
    }
    EXPECT_EQ(named.Stored(kStudent), "Ana María|Ruiz|Gil|2,8|1|0|0||");
    EXPECT_EQ(named.Other(), kOtherUntouched);

    Showing cleared(
        {kStudent, "Ana", "Ruiz", "", "1,2,3,4,5,6,7,8", "0", "1", "1", "05/03/14", "31/12/14"}, 1,
        true);
    for (int box : {kIntervalo, 1048, 1049, 1050, 1051, 1052, 1053, 1054, 1055, kAddOrSave}) {
        cleared.Click(box);
    }
    EXPECT_EQ(cleared.Stored(kStudent), "Ana|Ruiz|||0|1|0||");
    EXPECT_EQ(cleared.controls.GetWindowText(kDiaA), "05") << "the lists keep their choice";
}

TEST(SaveRecord, APeriodIsStoredOnlyWhenEveryPieceIsChosenAndTheStartIsNotAfterTheEnd) {
    const std::pair<const char*, const char*> cases[] = {
        {"05/03/26-31/12/36", "05/03/26|31/12/36"},  // ten years ahead
        {"10/06/14-10/06/14", "10/06/14|10/06/14"},  // one day
        {"10/06/14-09/06/14", nullptr},              // reversed days, months, years
        {"01/07/14-31/06/14", nullptr},
        {"01/01/15-31/12/14", nullptr},
        {" /06/14-09/07/14", nullptr},  // a blank piece, or the start year's empty entry
        {"01/06/14-09/ /14", nullptr},
        {"01/06/14-09/07/ ", nullptr},
        {"01/06/-09/07/14", nullptr},
    };
    for (const auto& [dates, stored] : cases) {
        SCOPED_TRACE(dates);
        Showing console(kPlain, 1, true);
        console.Click(kIntervalo);
        console.ChooseDates(dates);
        console.Click(kDoorBoxes[0]);
        console.Click(kAddOrSave);
        if (stored != nullptr) {
            EXPECT_TRUE(console.messages.shown.empty());
            EXPECT_FALSE(console.InEditMode());
            EXPECT_EQ(console.Stored(kStudent), "Ana|Ruiz|Gil|1,|0|0|1|" + std::string(stored));
        } else {
            EXPECT_EQ(console.messages.shown,
                      Boxes{"Imposible guardar datos. Periodos de intervalo "
                            "de restricción mal definidos.\n"});
            EXPECT_TRUE(console.InEditMode());
            EXPECT_EQ(console.Shown(), "11111111|Ana|Ruiz|Gil| / / - / / |100|10000000");
            EXPECT_EQ(console.Stored(kStudent), "Ana|Ruiz|Gil||0|0|0||") << "nothing stored";
        }
    }
}

// The search shows the stored values and only the student's own history, and so does the cancel
// of an edit, whatever was changed.
TEST(SearchAndCancel, ShowTheStoredRecordWithItsOwnHistory) {
    Showing full({kStudent, "Ana", "Ruiz", "Gil", "2,8", "1", "0", "1", "05/03/14", "31/12/14"}, 1,
                 true);
    const std::string stored = "11111111|Ana|Ruiz|Gil|05/03/14-31/12/14|101|01000001";
    EXPECT_EQ(full.Shown(), stored);
    full.Type(kNombre, "Cambiado");
    full.Click(kDoorBoxes[0]);
    full.Click(kAgosto);
    full.ChooseDates("20/10/30-21/10/30");
    full.Click(kModifyOrCancel);
    EXPECT_TRUE(full.messages.shown.empty());
    EXPECT_FALSE(full.InEditMode());
    EXPECT_EQ(full.Shown(), stored);
    EXPECT_EQ(full.controls.GetWindowText(kHistory),
              "15/03/2026  10:20:30  Acceso a entrada nº 3\r\n");
    EXPECT_EQ(full.Stored(kStudent), "Ana|Ruiz|Gil|2,8|1|0|1|05/03/14|31/12/14");

    // Dates stored shorter than eight characters show as blank lists, not as the ones before.
    full.Click(kModifyOrCancel);
    full.Db().SaveStudent({kStudent, "Ana", "Ruiz", "", "", "0", "0", "1", "5/3", ""});
    full.Click(kModifyOrCancel);
    EXPECT_EQ(full.Shown(), "11111111|Ana|Ruiz|| / / - / / |100|00000000");
}

// In SQLite an UPDATE of no row succeeds: the save must fail all the same, not pass for stored.
TEST(EditMode, AStudentDeletedElsewhereIsReportedAndEditModeEndsAllTheSame) {
    for (int command : {kAddOrSave, kModifyOrCancel}) {
        Showing console(kPlain, 0, true);
        console.Db().DeleteStudent(kStudent);
        console.Type(kNombre, "Nueva");
        console.Click(command);
        EXPECT_EQ(console.messages.shown,
                  Boxes{command == kAddOrSave ? kGone
                                              : "[CHANGE DATA] El DNI introducido no esta "
                                                "registrado en la base de datos"});
        EXPECT_FALSE(console.InEditMode());
        EXPECT_EQ(console.controls.GetWindowText(kModifyOrCancel), "Modificar Datos de Registro");
        EXPECT_EQ(console.Buttons(), command == kAddOrSave ? "EDDEDE" : "EDEEDE");
        EXPECT_EQ(console.Stored(kStudent), "none");
        EXPECT_EQ(console.Other(), kOtherUntouched);
    }
}

const accessdb::StudentRecord kDoors{kStudent, "Ana", "Ruiz", "Gil", "1,3,", "1", "0", "0", "", ""};

// The history goes and the record stays; or both go, announced, and the form is empty again.
TEST(DeleteCommands, ConfirmedDeleteTheStudentsRowsAndNoOthers) {
    const std::string empty = "|||| / / - / / |000|00000000";
    const std::tuple<int, int, std::string, std::string> cases[] = {
        {kDeleteHistory, 3, "Ana|Ruiz|Gil|1,3,|1|0|0||",
         "11111111|Ana|Ruiz|Gil| / /- / / |001|10100000" + kNoHistory},
        {kDeleteRecord, 3, "none", empty},
        {kDeleteRecord, 0, "none", empty}};
    for (const auto& [command, accesses, stored, shown] : cases) {
        Showing console(kDoors, accesses);
        console.messages.answers = "y";
        console.Click(command);
        EXPECT_EQ(
            console.messages.shown,
            (command == kDeleteHistory
                 ? Boxes{kConfirmHistory}
                 : Boxes{kConfirmRecord,
                         "El registro con DNI= 11111111 ha sido eliminado permanentemente."}));
        EXPECT_EQ(console.Accesses(kStudent), 0u);
        EXPECT_EQ(console.Stored(kStudent), stored);
        EXPECT_EQ(console.Other(), kOtherUntouched);
        EXPECT_EQ(console.Shown() + console.controls.GetWindowText(kHistory), shown);
    }
}

// Cancelled, or failing part way, a deletion leaves every row in place, keeps the record on the
// form and announces nothing. The last case: another console deleted the student meanwhile,
// where SQLite's DELETE of no row would otherwise pass for done.
TEST(DeleteCommands, CancelledOrFailedChangeNothing) {
    const char* const kRefuseThirdAccess =
        "CREATE TRIGGER refuse BEFORE DELETE ON Picadas WHEN old.Hora = '10:20:32' "
        "BEGIN SELECT RAISE(ABORT, 'fila protegida'); END;";
    const struct {
        int command;
        const char* sql;
        std::string message;  // empty: the confirmation is cancelled
        std::size_t accessesLeft;
    } cases[] = {
        {kDeleteHistory, "", "", 3},
        {kDeleteRecord, "", "", 3},
        {kDeleteHistory, kRefuseThirdAccess, "fila protegida", 3},
        {kDeleteRecord, kRefuseThirdAccess, "fila protegida", 3},
        {kDeleteRecord,
         "CREATE TRIGGER refuse BEFORE DELETE ON Alumnos "
         "BEGIN SELECT RAISE(ABORT, 'alumno protegido'); END;",
         "alumno protegido", 3},
        {kDeleteRecord,
         "DELETE FROM Picadas WHERE DNI = 11111111; DELETE FROM Alumnos WHERE DNI = 11111111;",
         kGone, 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.message);
        Showing console(kDoors, 3);
        Sql(console.File(), test.sql);
        const std::string before = console.Snapshot();
        console.messages.answers = test.message.empty() ? "n" : "y";
        console.Click(test.command);
        Boxes boxes = {test.command == kDeleteHistory ? kConfirmHistory : kConfirmRecord};
        if (!test.message.empty()) {
            boxes.push_back(test.message);
        }
        EXPECT_EQ(console.messages.shown, boxes);
        EXPECT_EQ(console.Snapshot(), before);
        EXPECT_EQ(console.Accesses(kStudent), test.accessesLeft);
        EXPECT_EQ(console.Stored(kStudent) != "none", test.accessesLeft != 0);
        EXPECT_EQ(console.Other(), kOtherUntouched);
    }
}

}  // namespace
}  // namespace mireval::testing
