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
