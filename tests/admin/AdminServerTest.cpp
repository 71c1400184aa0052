// import, export and purge on the test run's PostgreSQL server, as a school with several PCs
// runs them: the same sheets, the same boundary day, and a file and a server that agree.
#include <gtest/gtest.h>

#include <ctime>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "accessdb/postgres/TestServer.h"
#include "support/StudentDatabase.h"

namespace {

const std::string kSheet =
    "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;FechaA;FechaB\n"
    "00000042;\" Íñigo \";Muñoz-Ávila;d'Ors;1,2,3,4,5,6,7,8;0;0;0;;\n"
    "01234567;Nuño;Ibáñez;;8;1;0;0;;\n"
    "12345678;\"Ana; \"\"Anita\"\"\";Pérez;Gil;1,3,;0;1;1;05/03/14;31/12/14\n";

class AdminOnServer : public ::testing::Test {
  protected:
    AdminRun Admin(const std::string& arguments) {
        return RunAdminProgram(arguments + " --database " + ShellQuoted(server.Connection()),
                               "env -u TARVO_DATABASE");
    }

    TempFolder folder;
    testserver::PrivateSchema server;
};

}  // namespace

TEST_F(AdminOnServer, ASheetImportedOnTheServerExportsTheSameBytesAsOnTheFile) {
    WriteFile(folder / "alumnos.csv", kSheet);
    const AdminRun imported = Admin("import " + ShellQuoted((folder / "alumnos.csv").string()));
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "Importados 3 alumnos (3 nuevos, 0 actualizados).\n");
    EXPECT_EQ(server.Run("SELECT dni, puerta, fechab FROM alumnos ORDER BY dni"),
              (testserver::Rows{"42|1,2,3,4,5,6,7,8|", "1234567|8|", "12345678|1,3,|31/12/14"}));

    const AdminRun exported = Admin("export students");
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out, kSheet);

    // The same sheet on a file: both engines store and give back the same.
    const auto file = folder / "Alumnos.mdb";
    EXPECT_EQ(RunAdminProgram("import " + ShellQuoted((folder / "alumnos.csv").string()) +
                              " --database " + ShellQuoted(file.string()))
                  .exitCode,
              0);
    EXPECT_EQ(RunAdminProgram("export students --database " + ShellQuoted(file.string())).out,
              exported.out);

    // A refused row on the server keeps every row out there too.
    WriteFile(folder / "mal.csv", kSheet + "23456789;Luis;Sanz;;9;0;0;0;;\n");
    const AdminRun refused =
        Admin("import " + ShellQuoted((folder / "mal.csv").string()) + " --update");
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_NE(refused.err.find("mal.csv, línea 5, campo Puerta"), std::string::npos) << refused.err;
    EXPECT_EQ(server.Run("SELECT count(*) FROM alumnos"), testserver::Rows{"3"});
}

TEST_F(AdminOnServer, PurgeKeepsTheBoundaryDayAndAccessesExportByDay) {
    {
        accessdb::Connection db =
            accessdb::Connection::Open(server.Location(), accessdb::OpenMode::CreateIfMissing);
        db.AddStudent({"12345678", "Ana", "Pérez", "Gil", "", "", "", "", "", ""});
        for (const int daysAgo : {400, 91, 90, 1}) {
            db.AppendAccess({"12345678", AccessDateDaysAgo(daysAgo), "10:00:00", "3"});
            db.AppendAttempt({"12345678", AccessDateDaysAgo(daysAgo), "10:00:00", "3", "norte",
                              accessdb::kOutcomeGranted, ""});
        }
    }
    const AdminRun exported = Admin("export accesses --from " + [] {
        std::time_t when = std::time(nullptr) - 95 * 24 * 3600;
        std::tm local{};
        localtime_r(&when, &local);
        char text[16];
        std::strftime(text, sizeof text, "%Y-%m-%d", &local);
        return std::string(text);
    }());
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.err, "Exportados 3 accesos.\n");

    const AdminRun purge = Admin("purge --older-than 90d --yes");
    EXPECT_EQ(purge.exitCode, 0) << purge.err;
    EXPECT_NE(purge.out.find("Borrados 4 registros"), std::string::npos) << purge.out;
    EXPECT_EQ(server.Run("SELECT fecha FROM picadas ORDER BY orden"),
              (testserver::Rows{AccessDateDaysAgo(90), AccessDateDaysAgo(1)}));
    EXPECT_EQ(server.Run("SELECT fecha FROM intentos ORDER BY orden"),
              (testserver::Rows{AccessDateDaysAgo(90), AccessDateDaysAgo(1)}));
    EXPECT_EQ(server.Run("SELECT count(*) FROM alumnos"), testserver::Rows{"1"});

    // A family's request answered on the server, then the student erased with every record.
    const AdminRun person = Admin("person 12345678");
    EXPECT_EQ(person.exitCode, 0) << person.err;
    EXPECT_NE(person.out.find("ACCESOS CONCEDIDOS (2)"), std::string::npos) << person.out;
    EXPECT_NE(person.out.find("INTENTOS DE PASO (2)"), std::string::npos) << person.out;
    const AdminRun erase = Admin("erase 12345678 --yes");
    EXPECT_EQ(erase.exitCode, 0) << erase.err;
    EXPECT_EQ(server.Run("SELECT (SELECT count(*) FROM alumnos) + (SELECT count(*) FROM picadas)"
                         " + (SELECT count(*) FROM intentos)"),
              testserver::Rows{"0"});
}

TEST_F(AdminOnServer, ABackupOnTheServerPointsToPgDump) {
    accessdb::Connection::Open(server.Location(), accessdb::OpenMode::CreateIfMissing);
    const AdminRun backup = Admin("backup " + ShellQuoted((folder / "copia.mdb").string()));
    EXPECT_EQ(backup.exitCode, 1);
    EXPECT_NE(backup.err.find("pg_dump"), std::string::npos) << backup.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "copia.mdb"));

    const AdminRun check = Admin("check");
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("Versión del esquema: "), std::string::npos);
}
