// "Añadir Registro" outside edit mode.
#include <gtest/gtest.h>

#include "ConsoleHarness.h"

namespace mireval::testing {
namespace {

const std::string kFooter =
    "\n Acceso permitido a entradas: <NINGUNA>\n Para dar permisos de acceso a este usuario "
    "pulse\n [Buscar Registro] y [Modificar Datos de Registro]";

void TypeRecord(Console& console, const std::string& dni, const std::string& nombre,
                const std::string& apellido1, const std::string& apellido2) {
    // The name boxes are enabled but read-only in the initial form: the user's text reaches
    // them only in edit mode, so a new student's names are set as the exchange would read them.
    console.controls.Type(1005, dni);
    console.controls.SetWindowText(1002, nombre);
    console.controls.SetWindowText(1006, apellido1);
    console.controls.SetWindowText(1007, apellido2);
}

TEST(AddRecord, StoresTheFourValuesAndConfirmsWithTheLinesOfTheNamesGiven) {
    Console console;
    const auto before = console.EnabledStates();
    TypeRecord(console, "12345678", "Ana", "Ruiz", "");
    console.Click(1031);
    EXPECT_EQ(
        console.messages.Texts(),
        std::vector<std::string>{" Nuevo registro añadido con clave principal:\n DNI: 12345678"
                                 "\n Nombre: Ana\n Apellido1: Ruiz" +
                                 kFooter});
    const auto stored = console.file.Student("12345678");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->nombre, "Ana");
    EXPECT_EQ(stored->apellido1, "Ruiz");
    EXPECT_EQ(stored->apellido2, "");
    EXPECT_EQ(stored->puerta, "");
    EXPECT_EQ(stored->agosto, "0");
    EXPECT_EQ(stored->periodoTemporal, "0");
    EXPECT_EQ(console.EnabledStates(), before) << "the form keeps its state";
    EXPECT_EQ(console.controls.GetWindowText(1002), "Ana");
    EXPECT_FALSE(console.controls.IsReadOnly(1005));
}

TEST(AddRecord, OneCharacterNamesAreStoredButNotShown) {
    Console console;
    TypeRecord(console, "12345678", "A", "Ñ", "Gómez");
    console.Click(1031);
    EXPECT_EQ(
        console.messages.Texts(),
        std::vector<std::string>{" Nuevo registro añadido con clave principal:\n DNI: 12345678"
                                 "\n Apellido2: Gómez" +
                                 kFooter});
    EXPECT_EQ(console.file.Student("12345678")->nombre, "A");
    EXPECT_EQ(console.file.Student("12345678")->apellido1, "Ñ");
}

TEST(AddRecord, TheSecondPressWithTheSameDniReportsItAndEmptiesTheBoxes) {
    Console console;
    TypeRecord(console, "12345678", "Ana", "Ruiz", "Gil");
    console.Click(1031);
    console.controls.SetWindowText(1002, "Otra");
    console.Click(1031);
    ASSERT_EQ(console.messages.Shown().size(), 2u);
    EXPECT_EQ(console.messages.Texts()[1],
              "Error al generar nuevo registro.\nYa existe registro con  DNI: 12345678");
    for (int box : {1005, 1002, 1006, 1007}) {
        EXPECT_EQ(console.controls.GetWindowText(box), "") << box;
    }
    EXPECT_EQ(console.file.Student("12345678")->nombre, "Ana");
}

TEST(AddRecord, ADniWithALetterWritesTheProblemIntoTheSurnameBoxAndStoresNothing) {
    Console console;
    TypeRecord(console, "1234567X", "Ana", "Ruiz", "");
    console.Click(1031);
    ASSERT_EQ(console.messages.Shown().size(), 1u);
    EXPECT_NE(console.messages.Texts()[0].find("1234567X"), std::string::npos);
    EXPECT_EQ(console.controls.GetWindowText(1006), "Algun problema en BBDD");
    EXPECT_EQ(console.file.Open().LookUpStudent("12345670").HasRow(), false);
    auto count = [&] {
        accessdb::Connection db = console.file.Open();
        accessdb::sqlite::Statement rows(db.Handle(), "SELECT COUNT(*) FROM Alumnos");
        rows.Step();
        return rows.Integer(0);
    };
    EXPECT_EQ(count(), 0);
}

TEST(AddRecord, AWrongLengthIsRefusedBeforeTheFileIsOpened) {
    Console console;
    TypeRecord(console, "1234567", "Ana", "Ruiz", "");
    console.Click(1031);
    EXPECT_EQ(console.messages.Texts(),
              std::vector<std::string>{"DNI incorrecto. El DNI consta de 8 digitos sin "
                                       "letra.\nIntroduzca de nuevo los datos."});
    EXPECT_EQ(console.controls.GetWindowText(1002), "");
    EXPECT_FALSE(std::filesystem::exists(console.file.Path()));
}

TEST(AddRecord, ANewFileIsCreatedWithBothTablesUnderTheNameTheControllerOpens) {
    Console console;
    TypeRecord(console, "12345678", "Ana", "Ruiz", "");
    console.Click(1031);
    EXPECT_TRUE(std::filesystem::exists(console.folder.Path() / "Alumnos.mdb"));
    EXPECT_NO_THROW(accessdb::Connection::Open(console.folder.Path() / "Alumnos.mdb",
                                               accessdb::OpenMode::ExistingOnly)
                        .AppendAccess({"12345678", "15/03/2026", "10:00:00", "1"}));
}

}  // namespace
}  // namespace mireval::testing
