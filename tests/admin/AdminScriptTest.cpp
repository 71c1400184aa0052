// tarvo-admin on a real database file, run as a script or a timer runs it: exit codes, what it
// prints, and what the tables hold afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "support/StudentDatabase.h"

using ::testing::HasSubstr;

namespace {

class AdminScript : public ::testing::Test {
  protected:
    void SetUp() override {
        Register(database, {{"12345678", "Ana", "Pérez", "Gil", "1,3,", "0", "1", "0", "", ""},
                            {"01234567", "Nuño", "Ibáñez", "", "8", "0", "0", "0", "", ""}});
    }

    AdminRun Admin(const std::string& arguments) {
        return RunAdminProgram(
            arguments, "cd " + ShellQuoted(folder.Path().string()) + " && env -u TARVO_DATABASE");
    }

    Rows Count(const std::string& table) { return Sql(database, "SELECT count(*) FROM " + table); }

    TempFolder folder;
    std::filesystem::path database = folder / "Alumnos.mdb";
};

}  // namespace

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
    // The working folder's Alumnos.mdb is what the other tests here use. Nowhere to be found:
    // a failure, and no file is made.
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

// What the program takes for "no terminal" is what keeps a script from deleting unasked.
TEST_F(AdminScript, PurgeAndEraseFromAScriptNeedYesAndThePurgeKeepsTheBoundaryDay) {
    {
        auto db = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
        db.AppendAccess({"12345678", AccessDateDaysAgo(91), "10:00:00", "3"});
        db.AppendAccess({"12345678", AccessDateDaysAgo(90), "10:00:00", "3"});
    }
    for (const char* unconfirmed : {"purge --older-than 90d", "erase 12345678"}) {
        const AdminRun refused = Admin(unconfirmed);
        EXPECT_EQ(refused.exitCode, 2) << unconfirmed;
        EXPECT_THAT(refused.err, HasSubstr("--yes")) << unconfirmed;
    }
    EXPECT_EQ(Count("Picadas"), Rows{"2"});
    EXPECT_EQ(Count("Alumnos"), Rows{"2"});

    const AdminRun purge = Admin("purge --older-than 90d --yes");
    EXPECT_EQ(purge.exitCode, 0) << purge.err;
    EXPECT_THAT(purge.out, HasSubstr("Borrados 1 registro "));
    EXPECT_EQ(Sql(database, "SELECT Fecha FROM Picadas"), Rows{AccessDateDaysAgo(90)});
}

// The limit is the site's: shown and set on the database, read back as the stations read it.
TEST_F(AdminScript, OfflineLimitShowsAndSetsTheSitesHoursAndRefusesAnythingElse) {
    const AdminRun shown = Admin("offline-limit");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_THAT(shown.out, HasSubstr("Límite sin servidor: 24 horas.\n"));
    EXPECT_THAT(shown.out, HasSubstr("durante 24 horas como mucho"));

    const AdminRun set = Admin("offline-limit 48");
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_THAT(set.out, HasSubstr("Límite sin servidor: 48 horas (antes 24 horas).\n"));
    EXPECT_THAT(set.out, HasSubstr("al renovar su copia, en unos minutos"));
    EXPECT_THAT(set.out, HasSubstr("hasta que caduque la copia del puesto (hasta 48 horas)"));
    EXPECT_EQ(
        accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly).OfflineLimitHours(),
        48);
    EXPECT_THAT(Admin("offline-limit").out, HasSubstr("Límite sin servidor: 48 horas.\n"));

    // Nothing outside 0 to 720 whole hours reaches the table; the stations keep the 48.
    for (const char* wrong : {"721", "-1", "24h", "1e2", "' 5'", "''", "abc", "12 24"}) {
        const AdminRun refused = Admin(std::string("offline-limit ") + wrong);
        EXPECT_EQ(refused.exitCode, 2) << wrong;
        EXPECT_THAT(refused.err, HasSubstr("tarvo-admin: offline-limit ")) << wrong;
        EXPECT_TRUE(refused.out.empty()) << wrong;
    }
    EXPECT_THAT(Admin("offline-limit 721").err, HasSubstr("de 0 a 720"));
    EXPECT_EQ(Sql(database, "SELECT Valor FROM Ajustes WHERE Nombre = 'horas_sin_servidor'"),
              Rows{"48"});

    const AdminRun never = Admin("offline-limit 0");
    EXPECT_EQ(never.exitCode, 0) << never.err;
    EXPECT_THAT(never.out, HasSubstr("nunca deciden sin su servidor"));
    EXPECT_THAT(never.out, ::testing::Not(HasSubstr("caduque")));
    const AdminRun most = Admin("offline-limit 720");
    EXPECT_EQ(most.exitCode, 0) << most.err;
    EXPECT_EQ(Sql(database, "SELECT Valor FROM Ajustes WHERE Nombre = 'horas_sin_servidor'"),
              Rows{"720"});
}

TEST_F(AdminScript, OfflineLimitOnADatabaseNamedOrMissing) {
    const auto elsewhere = folder / "otra";
    std::filesystem::create_directories(elsewhere);
    const AdminRun missing = RunAdminProgram(
        "offline-limit 12", "cd " + ShellQuoted(elsewhere.string()) + " && env -u TARVO_DATABASE");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("tarvo-admin: "));
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "Alumnos.mdb"));

    const AdminRun named =
        RunAdminProgram("offline-limit 12 --database " + ShellQuoted(database.string()),
                        "cd " + ShellQuoted(elsewhere.string()) + " &&");
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(
        accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly).OfflineLimitHours(),
        12);
}
