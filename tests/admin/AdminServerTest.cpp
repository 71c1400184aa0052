// tarvo-admin on the test run's PostgreSQL server, as a school with several PCs runs it. The jobs
// themselves are the same code on both engines and tested there; here the program reaches the
// server it is named and says what only a server says.
#include <gtest/gtest.h>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "accessdb/Timetables.h"
#include "accessdb/postgres/TestServer.h"
#include "support/StudentDatabase.h"

namespace {

const std::string kSheet =
    "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;FechaA;FechaB;"
    "Horario\n"
    "00000042;\" Íñigo \";Muñoz-Ávila;d'Ors;1,2,3,4,5,6,7,8;0;0;0;;;Personal\n"
    "01234567;Nuño;Ibáñez;;8;1;0;0;;;\n"
    "12345678;\"Ana; \"\"Anita\"\"\";Pérez;Gil;1,3,;0;1;1;05/03/14;31/12/14;\n";

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

TEST_F(AdminOnServer, ASheetImportedOnTheServerExportsTheSameBytes) {
    {
        accessdb::Connection db =
            accessdb::Connection::Open(server.Location(), accessdb::OpenMode::CreateIfMissing);
        accessdb::TimetableStore(db.Session()).Save({"Personal", true, {}});
    }
    WriteFile(folder / "alumnos.csv", kSheet);
    const AdminRun imported = Admin("import " + ShellQuoted((folder / "alumnos.csv").string()));
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "Importados 3 alumnos (3 nuevos, 0 actualizados), 1 con horario.\n");
    EXPECT_EQ(server.Run("SELECT dni, puerta, fechab FROM alumnos ORDER BY dni"),
              (testserver::Rows{"42|1,2,3,4,5,6,7,8|", "1234567|8|", "12345678|1,3,|31/12/14"}));

    const AdminRun exported = Admin("export students");
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out, kSheet);
    EXPECT_EQ(exported.err, "Exportados 3 alumnos.\n");
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

// The site's limit lives on the server, where every station reads it; the server's address,
// which may hold a password, is never repeated.
TEST_F(AdminOnServer, TheOfflineLimitIsSetOnTheServerAndItsAddressIsNotRepeated) {
    accessdb::Connection::Open(server.Location(), accessdb::OpenMode::CreateIfMissing);
    const AdminRun set = Admin("offline-limit 6");
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(set.out.find("Límite sin servidor: 6 horas (antes 24 horas)."), std::string::npos)
        << set.out;
    EXPECT_EQ(server.Run("SELECT valor FROM ajustes WHERE nombre = 'horas_sin_servidor'"),
              testserver::Rows{"6"});

    const AdminRun shown = Admin("offline-limit");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("Límite sin servidor: 6 horas."), std::string::npos) << shown.out;
    for (const AdminRun& run : {set, shown}) {
        EXPECT_EQ((run.out + run.err).find(server.Connection()), std::string::npos);
    }
}
