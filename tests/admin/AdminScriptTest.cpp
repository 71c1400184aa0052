// tarvo-admin on a real database file, run as a script or a timer runs it: exit codes, what it
// prints, and what the tables hold afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "support/StudentDatabase.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const std::string kHeader =
    "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;FechaA;FechaB\n";

class AdminScript : public ::testing::Test {
  protected:
    void SetUp() override {
        Register(database, {{"12345678", "Ana", "Pérez", "Gil", "1,3,", "0", "1", "0", "", ""},
                            {"01234567", "Nuño", "Ibáñez", "", "8", "0", "0", "0", "", ""}});
    }

    AdminRun Admin(const std::string& arguments, const std::string& input = "/dev/null") {
        return RunAdminProgram(
            arguments, "cd " + ShellQuoted(folder.Path().string()) + " && env -u TARVO_DATABASE",
            input);
    }

    Rows Count(const std::string& table) { return Sql(database, "SELECT count(*) FROM " + table); }

    TempFolder folder;
    std::filesystem::path database = folder / "Alumnos.mdb";
};

}  // namespace

TEST_F(AdminScript, ImportWritesNothingUntilEveryRowIsGood) {
    WriteFile(folder / "bien.csv", kHeader + "23456789;Luis;Sanz;;2;0;0;0;;\n");
    WriteFile(folder / "mal.csv", kHeader + "34567890;Eva;Ruiz;;2;0;0;0;;\n" +
                                      "4567890;Iker;Sanz;;2;0;0;0;;\n" +
                                      "56789012;Olga;Gil;;2;0;0;1;31/02/26;01/03/26\n");

    const AdminRun bad = Admin("import mal.csv");
    EXPECT_EQ(bad.exitCode, 4);
    EXPECT_EQ(bad.out, "");
    EXPECT_THAT(bad.err, HasSubstr("mal.csv, línea 3, campo DNI: «4567890» tiene 7 cifras"));
    EXPECT_THAT(bad.err, HasSubstr("mal.csv, línea 4, campo FechaA: el día «31/02/26» no existe"));
    EXPECT_EQ(Count("Alumnos"), Rows{"2"});

    const AdminRun skipped = Admin("import mal.csv --skip-bad");
    EXPECT_EQ(skipped.exitCode, 4);
    EXPECT_EQ(skipped.out, "Importados 1 alumno (1 nuevo, 0 actualizados).\n");
    EXPECT_EQ(Sql(database, "SELECT Nombre FROM Alumnos WHERE DNI = 34567890"), Rows{"Eva"});

    const AdminRun good = Admin("import bien.csv");
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_EQ(good.err, "");  // the site's database was there
    EXPECT_EQ(Count("Alumnos"), Rows{"4"});
    // Imported students are what the console saves: the programs read them as their own.
    const auto luis = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly)
                          .FindStudent("23456789")
                          .value();
    EXPECT_EQ(luis.puerta, "2,");  // as the console stores door 2
    EXPECT_EQ(luis.agosto, "0");
}

// What a spreadsheet saves once a cell right of the columns was touched: empty columns after
// the last, on the header and on every row.
TEST_F(AdminScript, ImportIgnoresTheEmptyColumnsASpreadsheetAddsAfterTheLast) {
    // Commas and CR LF: the separator found the way the sheet's reading finds it.
    WriteFile(folder / "anchas.csv",
              "DNI,Nombre,Apellido1,Apellido2,Puerta,,,\r\n"
              "23456789,Luis,Sanz,,\"1,3\",,,\r\n"
              "34567890,Eva,Ruiz,Gil,8,,,\r\n");
    const AdminRun run = Admin("import anchas.csv");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "Importados 2 alumnos (2 nuevos, 0 actualizados).\n");
    EXPECT_EQ(Sql(database, "SELECT * FROM Alumnos WHERE DNI IN (23456789, 34567890) ORDER BY DNI"),
              (Rows{"23456789|Luis|Sanz||1,3,|0|0|0||", "34567890|Eva|Ruiz|Gil|8|0|0|0||"}));

    // A value under one of them is no column of the table: its row is refused by position.
    WriteFile(folder / "anchas.csv", "DNI;Nombre;Apellido1;;\r\n45678901;Iker;Sanz;;3º A\r\n");
    const AdminRun refused = Admin("import anchas.csv");
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_THAT(refused.err,
                HasSubstr("anchas.csv, línea 2, columna 5: «3º A» está en una columna que la "
                          "cabecera no nombra"));
    EXPECT_EQ(Count("Alumnos"), Rows{"4"});
}

// An import stopped midway (killed, or its database failed) keeps the chunks it wrote; run
// again, it says which students are there already and how to add the rest, and --skip-bad adds
// each of the rest once.
TEST_F(AdminScript, ARerunAfterAnImportStoppedMidwayAddsTheRestOnceWithSkipBad) {
    std::string sheet = kHeader;
    for (int i = 0; i < 6; ++i) {
        sheet +=
            std::to_string(40000000 + i) + ";Alumno" + std::to_string(i) + ";Sanz;;2;0;0;0;;\n";
    }
    // The first chunk written, as a stopped import leaves it.
    WriteFile(folder / "primera-parte.csv", sheet.substr(0, sheet.find("40000004")));
    ASSERT_EQ(Admin("import primera-parte.csv").exitCode, 0);
    WriteFile(folder / "alumnos.csv", sheet);

    const AdminRun rerun = Admin("import alumnos.csv");
    EXPECT_EQ(rerun.exitCode, 4);
    EXPECT_EQ(rerun.err,
              "alumnos.csv: 4 alumnos de la hoja ya están registrados (líneas 2 a 5): si una "
              "importación anterior se interrumpió, ejecute de nuevo con --skip-bad para añadir "
              "los que faltan (los registrados se dejan como están), o con --update para "
              "reemplazar sus datos por los de la hoja.\n"
              "tarvo-admin: no se ha importado nada: 4 filas rechazadas. Corrija la hoja, o "
              "importe solo las filas buenas con --skip-bad.\n");
    EXPECT_EQ(Count("Alumnos"), Rows{"6"});

    const AdminRun finished = Admin("import alumnos.csv --skip-bad");
    EXPECT_EQ(finished.exitCode, 4);
    EXPECT_EQ(finished.out, "Importados 2 alumnos (2 nuevos, 0 actualizados).\n");
    EXPECT_EQ(Sql(database,
                  "SELECT count(*), count(DISTINCT DNI), min(DNI), max(DNI) FROM "
                  "Alumnos WHERE DNI BETWEEN 40000000 AND 40000005"),
              Rows{"6|6|40000000|40000005"});
    EXPECT_EQ(Count("Alumnos"), Rows{"8"});
}

TEST_F(AdminScript, ExportsGoToStandardOutputAndTheirCountToStandardError) {
    {
        auto db = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
        db.AppendAccess({"12345678", " 5/03/2026", "10:00:00", "3"});
        db.AppendAccess({"01234567", "15/03/2026", "11:00:00", "8"});
        db.AppendAccess({"12345678", " 1/04/2026", "12:00:00", "1"});
    }
    const AdminRun accesses = Admin("export accesses --from 05/03/2026 --to 2026-03-31");
    EXPECT_EQ(accesses.exitCode, 0) << accesses.err;
    EXPECT_EQ(accesses.out,
              "DNI;Fecha;Hora;Puerta\n"
              "12345678;05/03/2026;10:00:00;3\n"
              "01234567;15/03/2026;11:00:00;8\n");
    EXPECT_EQ(accesses.err, "Exportados 2 accesos.\n");
}

TEST_F(AdminScript, PersonAndEraseAnswerAFamilysRequest) {
    {
        auto db = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
        db.AppendAccess({"12345678", " 5/03/2026", "10:00:00", "3"});
        db.AppendAttempt(
            {"12345678", " 5/03/2026", "10:00:00", "3", "norte", accessdb::kOutcomeGranted, ""});
        db.AppendAttempt({"12345678", " 7/03/2026", "09:00:00", "5", "sur",
                          accessdb::kOutcomeDenied, accessdb::kReasonDoorNotPermitted});
        db.AppendAttempt(
            {"01234567", " 7/03/2026", "09:05:00", "8", "sur", accessdb::kOutcomeGranted, ""});
    }
    const AdminRun person = Admin("person 12345678 --out ana.txt");
    EXPECT_EQ(person.exitCode, 0) << person.err;
    const std::string report = ReadWhole(folder / "ana.txt");
    EXPECT_THAT(report, HasSubstr("Nombre:"));
    EXPECT_THAT(report, HasSubstr(" 5/03/2026  10:00:00  3"));
    EXPECT_THAT(report, HasSubstr("INTENTOS DE PASO (2)"));
    EXPECT_THAT(report, HasSubstr("sur     denegado   puerta no permitida"));
    EXPECT_THAT(report, Not(HasSubstr("09:05:00")));  // Nuño's
    EXPECT_EQ(Admin("person 12345678 --out ana.txt").exitCode, 3);

    // A script must say --yes; without it nothing is erased.
    const AdminRun unconfirmed = Admin("erase 12345678");
    EXPECT_EQ(unconfirmed.exitCode, 2);
    EXPECT_THAT(unconfirmed.err, HasSubstr("--yes"));
    EXPECT_EQ(Count("Picadas"), Rows{"1"});

    const AdminRun erase = Admin("erase 12345678 --yes");
    EXPECT_EQ(erase.exitCode, 0) << erase.err;
    EXPECT_EQ(Sql(database, "SELECT DNI FROM Alumnos"), Rows{"1234567"});
    EXPECT_EQ(Count("Picadas"), Rows{"0"});
    EXPECT_EQ(Sql(database, "SELECT DNI FROM Intentos"), Rows{"01234567"});

    const AdminRun gone = Admin("erase 12345678 --yes");
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_THAT(gone.err, HasSubstr("no hay nada guardado del DNI 12345678"));
}

// The copy's consistency while a station writes is the bulk jobs' test; here the program's
// exit codes and a copy its own check finds sound.
TEST_F(AdminScript, BackupIsACopyTheCheckFindsSoundAndNeverWrittenOver) {
    accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly)
        .AppendAccess({"12345678", " 5/03/2026", "10:00:00", "3"});
    const AdminRun backup = Admin("backup copia.mdb");
    EXPECT_EQ(backup.exitCode, 0) << backup.err;
    const AdminRun check =
        RunAdminProgram("check --database " + ShellQuoted((folder / "copia.mdb").string()));
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_THAT(check.out, HasSubstr("Integridad: correcta."));
    EXPECT_EQ(
        Sql(folder / "copia.mdb", "SELECT count(*) FROM Alumnos; SELECT count(*) FROM Picadas"),
        (Rows{"2", "1"}));

    EXPECT_EQ(Admin("backup copia.mdb").exitCode, 3);
}

TEST_F(AdminScript, TheDatabaseIsTheProgramsOwnUnlessOneIsNamed) {
    const AdminRun here = Admin("check");
    EXPECT_EQ(here.exitCode, 0) << here.err;
    EXPECT_THAT(here.out, HasSubstr("Versión del esquema: "));

    // Nowhere to be found: a failure, and no file is made.
    const auto elsewhere = folder / "vacía";
    std::filesystem::create_directories(elsewhere);
    const AdminRun none = RunAdminProgram(
        "export students", "cd " + ShellQuoted(elsewhere.string()) + " && env -u TARVO_DATABASE");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_THAT(none.err, HasSubstr("tarvo-admin: "));
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "Alumnos.mdb"));

    // TARVO_DATABASE names a server, as for the programs; a malformed one is told by name.
    const AdminRun server = RunAdminProgram(
        "check", "cd " + ShellQuoted(folder.Path().string()) + " && TARVO_DATABASE='host' env");
    EXPECT_EQ(server.exitCode, 1);
    EXPECT_THAT(server.err, HasSubstr("TARVO_DATABASE"));

    const AdminRun named = RunAdminProgram("check --database " + ShellQuoted(database.string()),
                                           "cd " + ShellQuoted(elsewhere.string()) + " &&");
    EXPECT_EQ(named.exitCode, 0) << named.err;
}

TEST_F(AdminScript, PurgeWithYesFromAScriptDeletesTheOldAccesses) {
    accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly)
        .AppendAccess({"12345678", AccessDateDaysAgo(200), "10:00:00", "3"});
    const AdminRun purge = Admin("purge --older-than 90d --yes");
    EXPECT_EQ(purge.exitCode, 0) << purge.err;
    EXPECT_THAT(purge.out, HasSubstr("Borrados 1 registro "));
    EXPECT_EQ(Count("Picadas"), Rows{"0"});
}
