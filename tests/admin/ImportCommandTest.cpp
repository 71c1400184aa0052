// import as a script or a person runs it, on tables in memory: nothing written while a row is
// bad, --skip-bad and --update, chunks with pauses between them, and what it tells.
#include <gtest/gtest.h>

#include <fstream>

#include "FakeAdminTables.h"
#include "admin/AdminCommands.h"
#include "admin/ExitCodes.h"
#include "support/TempFolder.h"

namespace {

const std::string kHeader =
    "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;FechaA;FechaB\n";

std::string Row(std::int64_t dni, const std::string& puerta = "1,3,") {
    char text[16];
    std::snprintf(text, sizeof text, "%08lld", static_cast<long long>(dni));
    return std::string(text) + ";Ana;Pérez;Gil;" + puerta + ";0;0;0;;\n";
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

TEST_F(ImportCommand, OneBadRowKeepsEveryRowOutAndNamesFileLineAndField) {
    EXPECT_EQ(Import(kHeader + Row(12345678) + Row(23456789, "1,9") + Row(34567890)),
              admin::kExitRefusedRows);
    EXPECT_TRUE(site.students.empty());
    EXPECT_TRUE(site.importChunks.empty());
    const std::string err = session.err.str();
    EXPECT_NE(err.find("alumnos.csv, línea 3, campo Puerta: «9» no es una puerta"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("no se ha importado nada: 1 fila rechazada"), std::string::npos) << err;
    EXPECT_EQ(session.out.str(), "");
}

TEST_F(ImportCommand, SkipBadWritesTheGoodRowsAndListsTheOthers) {
    EXPECT_EQ(Import(kHeader + Row(12345678) + "1234567;Luis;Sanz;;;;;;;\n" + Row(34567890),
                     {"--skip-bad"}),
              admin::kExitRefusedRows);
    EXPECT_EQ(site.students.size(), 2u);
    EXPECT_TRUE(site.students.contains(12345678));
    EXPECT_TRUE(site.students.contains(34567890));
    EXPECT_NE(session.err.str().find("línea 3, campo DNI: «1234567» tiene 7 cifras"),
              std::string::npos);
    EXPECT_NE(session.err.str().find("1 fila rechazada (arriba) no se ha importado"),
              std::string::npos);
    EXPECT_EQ(session.out.str(), "Importados 2 alumnos (2 nuevos, 0 actualizados).\n");
}

// The database is asked before anything is written, so a student already there never stops
// an import halfway.
TEST_F(ImportCommand, AStudentAlreadyRegisteredIsARefusedRowUnlessUpdating) {
    RegisterAlready(23456789, "Antigua");
    EXPECT_EQ(Import(kHeader + Row(12345678) + Row(23456789)), admin::kExitRefusedRows);
    EXPECT_EQ(site.students.size(), 1u);
    EXPECT_EQ(site.students[23456789].nombre, "Antigua");
    EXPECT_NE(session.err.str().find("línea 3, campo DNI: el alumno 23456789 ya está registrado"),
              std::string::npos)
        << session.err.str();

    EXPECT_EQ(Import(kHeader + Row(12345678) + Row(23456789), {"--update"}), admin::kExitDone);
    EXPECT_EQ(site.students.size(), 2u);
    EXPECT_EQ(site.students[23456789].nombre, "Ana");
    EXPECT_EQ(site.students[23456789].puerta, "1,3,");
    EXPECT_EQ(site.students[23456789].agosto, "0");
    EXPECT_NE(session.out.str().find("Importados 2 alumnos (1 nuevo, 1 actualizado)."),
              std::string::npos)
        << session.out.str();
}

TEST_F(ImportCommand, ManyStudentsGoInChunksWithAPauseForTheStationsBetween) {
    std::string sheet = kHeader;
    for (int i = 0; i < 1201; ++i) {
        sheet += Row(10000000 + i);
    }
    EXPECT_EQ(Import(sheet), admin::kExitDone);
    EXPECT_EQ(site.students.size(), 1201u);
    EXPECT_EQ(site.importChunks, (std::vector<std::size_t>{500, 500, 201}));
    // On the file, each pause outlasts a waiting writer's longest retry interval (100 ms).
    ASSERT_EQ(session.pauses.size(), 2u);
    EXPECT_GT(session.pauses[0], std::chrono::milliseconds(100));
    // A log gets a few plain lines, no bar.
    EXPECT_EQ(session.err.str().find('\r'), std::string::npos);
    EXPECT_NE(session.err.str().find("Importando alumnos: 500 de 1201\n"), std::string::npos)
        << session.err.str();
}

TEST_F(ImportCommand, ATerminalSeesABarRedrawnInPlace) {
    session.terminal = true;
    std::string sheet = kHeader;
    for (int i = 0; i < 600; ++i) {
        sheet += Row(10000000 + i);
    }
    EXPECT_EQ(Import(sheet), admin::kExitDone);
    const std::string err = session.err.str();
    EXPECT_NE(err.find("\rImportando alumnos ["), std::string::npos) << err;
    EXPECT_NE(err.find("] 100 % (600/600)\n"), std::string::npos) << err;
}

TEST_F(ImportCommand, AFailureMidwaySaysHowManyStudentsWereKept) {
    site.failingImportCall = 2;
    std::string sheet = kHeader;
    for (int i = 0; i < 700; ++i) {
        sheet += Row(10000000 + i);
    }
    EXPECT_EQ(Import(sheet), admin::kExitFailed);
    EXPECT_EQ(site.students.size(), 500u);
    EXPECT_NE(session.err.str().find("Error de disco al escribir Alumnos.mdb. Se guardaron 500 "
                                     "de 700 alumnos antes del fallo"),
              std::string::npos)
        << session.err.str();
}

TEST_F(ImportCommand, FilesThatAreNoSheetAreRefusedBeforeTheDatabaseIsOpened) {
    EXPECT_EQ(Import(""), admin::kExitRefusedRows);
    EXPECT_NE(session.err.str().find("alumnos.csv: el archivo está vacío"), std::string::npos)
        << session.err.str();
    EXPECT_EQ(Import(std::string("\x7F"
                                 "ELF\x02\x01\x01\0\0",
                                 9)),
              admin::kExitRefusedRows);
    EXPECT_NE(session.err.str().find("alumnos.csv, línea 1: contiene"), std::string::npos)
        << session.err.str();
    EXPECT_EQ(site.opens, 0);

    EXPECT_EQ(admin::RunAdmin({"import", (folder / "no-existe.csv").string()}, session),
              admin::kExitFailed);
    EXPECT_NE(session.err.str().find("no se puede leer"), std::string::npos);
    EXPECT_EQ(admin::RunAdmin({"import", folder.Path().string()}, session), admin::kExitFailed);
    EXPECT_NE(session.err.str().find("es una carpeta"), std::string::npos);
}

TEST_F(ImportCommand, AHeaderWithoutRowsImportsNothingAndSucceeds) {
    EXPECT_EQ(Import(kHeader), admin::kExitDone);
    EXPECT_EQ(session.out.str(), "Importados 0 alumnos (0 nuevos, 0 actualizados).\n");
    EXPECT_TRUE(site.importChunks.empty());
}
