// import as a script or a person runs it, on tables in memory: nothing written while a row is
// bad, --skip-bad and --update, chunks with pauses between them, and what it tells.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "FakeAdminTables.h"
#include "admin/AdminCommands.h"
#include "admin/ExitCodes.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string kHeader =
    "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;FechaA;FechaB\n";

std::string Row(std::int64_t dni, const std::string& puerta = "1,3,") {
    char text[16];
    std::snprintf(text, sizeof text, "%08lld", static_cast<long long>(dni));
    return std::string(text) + ";Ana;Pérez;Gil;" + puerta + ";0;0;0;;\n";
}

// A sheet of count good rows, DNIs from first on.
std::string Sheet(int count, std::int64_t first = 10000000) {
    std::string sheet = kHeader;
    for (int i = 0; i < count; ++i) {
        sheet += Row(first + i);
    }
    return sheet;
}

class ImportCommand : public ::testing::Test {
  protected:
    std::string WriteSheet(const std::string& text) {
        const auto path = folder / "alumnos.csv";
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    int Import(const std::string& text, std::vector<std::string> options = {}) {
        std::vector<std::string> args = {"import", WriteSheet(text)};
        args.insert(args.end(), options.begin(), options.end());
        return admin::RunAdmin(args, session);
    }

    void RegisterAlready(std::int64_t dni, const std::string& nombre) {
        site.students[dni] = {
            accessdb::FormatDni(dni), nombre, "Antes", "", "5", "1", "1", "0", "", ""};
    }

    TempFolder folder;
    FakeSite site;
    FakeSession session{site};
};

}  // namespace

// Without --skip-bad one bad row keeps every row out; with it, the good rows go in.
TEST_F(ImportCommand, OneBadRowKeepsEveryRowOutUnlessSkipBadAndNamesFileLineAndField) {
    const std::string sheet = kHeader + Row(12345678) + Row(23456789, "1,9") + Row(34567890);
    EXPECT_EQ(Import(sheet), admin::kExitRefusedRows);
    EXPECT_TRUE(site.students.empty());
    EXPECT_TRUE(site.importChunks.empty());
    EXPECT_THAT(session.err.str(),
                HasSubstr("alumnos.csv, línea 3, campo Puerta: «9» no es una puerta"));
    EXPECT_THAT(session.err.str(), HasSubstr("no se ha importado nada: 1 fila rechazada"));
    EXPECT_EQ(session.out.str(), "");

    session.err.str("");
    EXPECT_EQ(Import(sheet, {"--skip-bad"}), admin::kExitRefusedRows);
    EXPECT_EQ(site.students.size(), 2u);
    EXPECT_TRUE(site.students.contains(12345678) && site.students.contains(34567890));
    EXPECT_THAT(session.err.str(), HasSubstr("línea 3, campo Puerta: «9» no es una puerta"));
    EXPECT_THAT(session.err.str(), HasSubstr("1 fila rechazada (arriba) no se ha importado"));
    EXPECT_EQ(session.out.str(), "Importados 2 alumnos (2 nuevos, 0 actualizados).\n");
}

TEST_F(ImportCommand, ManyStudentsGoInChunksWithAPauseBetweenAndABarOnlyOnATerminal) {
    EXPECT_EQ(Import(Sheet(1201)), admin::kExitDone);
    EXPECT_EQ(site.students.size(), 1201u);
    EXPECT_EQ(site.importChunks, (std::vector<std::size_t>{500, 500, 201}));
    // On the file, each pause outlasts a waiting writer's longest retry interval (100 ms).
    ASSERT_EQ(session.pauses.size(), 2u);
    EXPECT_GT(session.pauses[0], std::chrono::milliseconds(100));
    // A log gets a few plain lines, no bar.
    EXPECT_THAT(session.err.str(), Not(HasSubstr("\r")));
    EXPECT_THAT(session.err.str(), HasSubstr("Importando alumnos: 500 de 1201\n"));

    // A terminal sees a bar redrawn in place.
    session.terminal = true;
    session.err.str("");
    EXPECT_EQ(Import(Sheet(600, 20000000)), admin::kExitDone);
    const std::string err = session.err.str();
    EXPECT_THAT(err, HasSubstr("\rImportando alumnos ["));
    EXPECT_THAT(err, HasSubstr("] 100 % (600/600)\n"));
}

// Each chunk is its own change, so an import that stopped midway leaves the students of the
// chunks before and says how many; run again, the sheet's first part is told once as
// registered, with the way to add the rest, and --skip-bad adds just the rest.
TEST_F(ImportCommand, AnImportStoppedMidwaySaysWhatWasKeptAndIsFinishedWithSkipBad) {
    const std::string sheet = Sheet(700);
    site.failingImportCall = 2;
    EXPECT_EQ(Import(sheet), admin::kExitFailed);
    EXPECT_EQ(site.students.size(), 500u);
    EXPECT_THAT(session.err.str(),
                HasSubstr("Error de disco al escribir Alumnos.mdb. Se guardaron 500 "
                          "de 700 alumnos antes del fallo"));
    EXPECT_THAT(session.err.str(), HasSubstr("ejecute de nuevo la importación con --skip-bad"));
    site.failingImportCall = 0;
    site.importChunks.clear();

    // One more row, refused for its own fault, among the ones already registered.
    session.err.str("");
    const std::string withBadRow = sheet + Row(20000000, "9");
    EXPECT_EQ(Import(withBadRow), admin::kExitRefusedRows);
    EXPECT_EQ(site.students.size(), 500u);
    EXPECT_TRUE(site.importChunks.empty());
    const std::string err = session.err.str();
    const std::string file = (folder / "alumnos.csv").string();
    EXPECT_TRUE(err.ends_with(
        file +
        ", línea 702, campo Puerta: «9» no es una puerta: las puertas van de 1 a 8 "
        "(escríbalas como 1,3)\n" +
        file +
        ": 500 alumnos de la hoja ya están registrados (líneas 2 a 501): si una importación "
        "anterior se interrumpió, ejecute de nuevo con --skip-bad para añadir los que faltan "
        "(los registrados se dejan como están), o con --update para reemplazar sus datos por "
        "los de la hoja.\n"
        "tarvo-admin: no se ha importado nada: 501 filas rechazadas. Corrija la hoja, o "
        "importe solo las filas buenas con --skip-bad.\n"))
        << err;
    // Told once, not once for each of the 500.
    EXPECT_THAT(err, Not(HasSubstr("ya está registrado")));

    session.err.str("");
    EXPECT_EQ(Import(withBadRow, {"--skip-bad"}), admin::kExitRefusedRows);
    EXPECT_EQ(site.students.size(), 700u);
    EXPECT_EQ(site.importChunks, std::vector<std::size_t>{200});
    EXPECT_EQ(session.out.str(), "Importados 200 alumnos (200 nuevos, 0 actualizados).\n");
    EXPECT_THAT(session.err.str(),
                HasSubstr("alumnos.csv: 500 alumnos de la hoja ya estaban registrados "
                          "(líneas 2 a 501) y se dejan como están"));
    EXPECT_THAT(session.err.str(), HasSubstr("501 filas rechazadas (arriba) no se han importado"));
}

// Registered rows scattered through the sheet are told by their stretches of lines.
TEST_F(ImportCommand, RegisteredRowsAreToldByTheirStretchesOfLines) {
    std::string sheet = kHeader;
    for (int i = 0; i < 30; ++i) {
        sheet += Row(10000000 + i);
        if (i % 4 == 0 || i == 1 || i == 2) {
            RegisterAlready(10000000 + i, "Antes");
        }
    }
    EXPECT_EQ(Import(sheet), admin::kExitRefusedRows);
    EXPECT_THAT(session.err.str(),
                HasSubstr("alumnos.csv: 10 alumnos de la hoja ya están registrados "
                          "(líneas 2 a 4, 6, 10, 14, 18, 22 y otras 2): "));
}

TEST_F(ImportCommand, FilesThatAreNoSheetAreRefusedBeforeTheDatabaseIsOpenedAndAHeaderIsOne) {
    EXPECT_EQ(Import(""), admin::kExitRefusedRows);
    EXPECT_THAT(session.err.str(), HasSubstr("alumnos.csv: el archivo está vacío"));
    EXPECT_EQ(Import(std::string("\x7F\x45LF\x02\x01\x01\0\0", 9)), admin::kExitRefusedRows);
    EXPECT_THAT(session.err.str(), HasSubstr("alumnos.csv, línea 1: contiene"));
    EXPECT_EQ(site.opens, 0);

    // A header alone is a sheet: nothing to import, and no failure.
    EXPECT_EQ(Import(kHeader), admin::kExitDone);
    EXPECT_EQ(session.out.str(), "Importados 0 alumnos (0 nuevos, 0 actualizados).\n");
    EXPECT_TRUE(site.importChunks.empty());
}

// A sheet whose door column was typed wrong 200 times, with one other fault among them: each
// reason is seen, the repeated one in full for its first rows and then counted with its lines.
TEST_F(ImportCommand, ARepeatedReasonIsToldInFullForItsFirstRowsThenCounted) {
    std::string sheet = kHeader;
    for (std::int64_t i = 0; i < 200; ++i) {
        sheet += Row(10000000 + i, i == 150 ? "1" : "1,9");
    }
    sheet += "1234567;Luis;Sanz;;;;;;;\n";  // line 202
    sheet += Row(20000000, "1,0");          // line 203: the same reason with another value
    EXPECT_EQ(Import(sheet, {"--skip-bad"}), admin::kExitRefusedRows);

    std::vector<std::string> lines;
    std::istringstream err(session.err.str());
    for (std::string line; std::getline(err, line);) {
        if (!line.starts_with("tarvo-admin: no había base de datos")) {
            lines.push_back(line);
        }
    }
    const std::string path = (folder / "alumnos.csv").string();
    ASSERT_EQ(lines.size(), 8u) << session.err.str();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lines[i], path + ", línea " + std::to_string(i + 2) +
                                ", campo Puerta: «9» no es una puerta: las puertas van de 1 a 8 "
                                "(escríbalas como 1,3)");
    }
    EXPECT_EQ(lines[5], path +
                            ", línea 202, campo DNI: «1234567» tiene 7 cifras y un DNI tiene "
                            "8 (si la hoja de cálculo quitó un cero inicial, dé a la columna "
                            "formato de texto)");
    // 199 door faults (line 152 is good) and line 203's, less the 5 told.
    EXPECT_EQ(lines[6], path +
                            ": … y otras 195 filas con el mismo motivo (campo Puerta: no es "
                            "una puerta), líneas 7 a 151, 153 a 201, 203.");
    EXPECT_EQ(lines[7], "tarvo-admin: 201 filas rechazadas (arriba) no se han importado.");
    EXPECT_EQ(site.students.size(), 1u);  // line 152's
}

TEST_F(ImportCommand, AReasonOfAFewRowsIsToldForEachAndOneMoreRowIsCountedAlone) {
    std::string sheet = kHeader;
    for (std::int64_t i = 0; i < 5; ++i) {
        sheet += Row(10000000 + i, "1,9");
    }
    EXPECT_EQ(Import(sheet), admin::kExitRefusedRows);
    EXPECT_THAT(session.err.str(), Not(HasSubstr("mismo motivo")));

    session.err.str("");
    // A sixth is counted alone; the same DNI repeated names its own first line each time.
    sheet += Row(10000005, "9") + Row(10000000, "1") + Row(10000000, "1");
    EXPECT_EQ(Import(sheet), admin::kExitRefusedRows);
    const std::string err = session.err.str();
    EXPECT_THAT(err,
                HasSubstr(": … y otra fila con el mismo motivo (campo Puerta: no es una puerta), "
                          "línea 7."));
    EXPECT_THAT(err, HasSubstr("línea 8, campo DNI: el DNI 10000000 ya está en la línea 2"));
    EXPECT_THAT(err, HasSubstr("línea 9, campo DNI: el DNI 10000000 ya está en la línea 2"));
}
