// Databases of an older version of the programs, opened by this one: upgraded once, by whichever
// program opens them first, with their rows kept; a newer database is refused untouched.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <future>
#include <iterator>

#include "Sites.h"
#include "accessdb/AdminTables.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/SchemaVersion.h"
#include "support/DatabaseFailure.h"

using namespace accessdb;
using namespace testsites;

namespace {

// The tables as the previous version of the programs left them, with a student and an access.
void MakeVersionOne(Site& site) {
    if (dynamic_cast<FileSite*>(&site) != nullptr) {
        ASSERT_EQ(site.Run("CREATE TABLE Alumnos (DNI INTEGER PRIMARY KEY,"
                           " Nombre TEXT DEFAULT '', Apellido1 TEXT DEFAULT '',"
                           " Apellido2 TEXT DEFAULT '', Puerta TEXT DEFAULT '',"
                           " Agosto TEXT DEFAULT '0', Fin_de_semana TEXT DEFAULT '0',"
                           " Periodo_temporal TEXT DEFAULT '0', FechaA TEXT DEFAULT '',"
                           " FechaB TEXT DEFAULT '');"
                           "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT DEFAULT '',"
                           " Hora TEXT DEFAULT '', Puerta TEXT DEFAULT '');"
                           "CREATE INDEX Picadas_DNI ON Picadas (DNI);"
                           "PRAGMA user_version = 1; PRAGMA journal_mode = WAL;"),
                  Rows{"wal"});
    } else {
        ASSERT_EQ(site.Run(testserver::kVersionOneTables), Rows{});
    }
    ASSERT_EQ(site.Run("INSERT INTO Alumnos (DNI, Nombre, Puerta) VALUES (12345678, 'Ana', '5');"
                       "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta)"
                       " VALUES (12345678, ' 5/03/2024', '09:41:07', '5');"),
              Rows{});
}

// The version the tables are at, read as another program would.
std::string StoredVersion(const Site& site) {
    if (dynamic_cast<const FileSite*>(&site) != nullptr) {
        return site.Run("PRAGMA user_version").at(0);
    }
    const Rows version = site.Run("SELECT version FROM esquema");
    return version.empty() ? "none" : version.at(0);
}

// Changes whenever the tables' definitions change: the file's schema cookie, and on the server
// the version row's own transaction with the tables' identities.
std::string SchemaStamp(const Site& site) {
    if (dynamic_cast<const FileSite*>(&site) != nullptr) {
        return site.Run("PRAGMA schema_version").at(0) + "/" + StoredVersion(site);
    }
    return site
        .Run(
            "SELECT (SELECT xmin::text FROM esquema) || '/' || (SELECT string_agg("
            "c.oid::text, ',' ORDER BY c.relname) FROM pg_class c WHERE c.relnamespace ="
            " current_schema()::regnamespace)")
        .at(0);
}

class SchemaUpgrade : public ::testing::TestWithParam<Engine> {
  protected:
    std::unique_ptr<Site> site = GetParam().make();
};

}  // namespace

TEST_P(SchemaUpgrade, AnOldDatabaseIsUpgradedOnceByWhicheverProgramOpensItFirst) {
    for (const OpenMode mode : {OpenMode::ExistingOnly, OpenMode::CreateIfMissing}) {
        SCOPED_TRACE(mode == OpenMode::ExistingOnly ? "controller" : "console");
        site = GetParam().make();
        MakeVersionOne(*site);
        {
            Connection db = Connection::Open(site->Location(), mode);
            EXPECT_EQ(db.FindStudent("12345678")->puerta, "5");
            db.AppendAttempt({"12345678", " 6/03/2024", "10:00:00", "5", "p", "concedido", ""});
            EXPECT_EQ(db.ListAttempts({}).attempts.size(), 1u);
        }
        EXPECT_EQ(StoredVersion(*site), std::to_string(kSchemaVersion));
        EXPECT_EQ(site->Run("SELECT count(*) FROM Picadas"), Rows{"1"});
        EXPECT_EQ(OpenAdminTables(site->Location(), mode)->SchemaVersion(), kSchemaVersion);

        // Later opens find nothing to do and change nothing.
        const std::string stamp = SchemaStamp(*site);
        Connection::Open(site->Location(), OpenMode::ExistingOnly);
        Connection::Open(site->Location(), OpenMode::CreateIfMissing);
        EXPECT_EQ(SchemaStamp(*site), stamp);
    }
}

TEST_P(SchemaUpgrade, ProgramsOpeningAnOldDatabaseAtOnceAllWorkAndOneUpgradesIt) {
    // What one upgrade alone changes, to compare with the race's.
    MakeVersionOne(*site);
    const std::string before = SchemaStamp(*site);
    Connection::Open(site->Location(), OpenMode::ExistingOnly);
    const bool file = dynamic_cast<FileSite*>(site.get()) != nullptr;
    const std::string oneUpgrade = SchemaStamp(*site);

    site = GetParam().make();
    MakeVersionOne(*site);
    constexpr int kPrograms = 6;
    std::promise<void> go;
    std::shared_future<void> started = go.get_future().share();
    std::vector<std::future<std::string>> programs;
    for (int i = 0; i < kPrograms; ++i) {
        programs.push_back(std::async(std::launch::async, [&, i] {
            started.wait();
            try {
                Connection db =
                    Connection::Open(site->Location(), i % 2 == 0 ? OpenMode::ExistingOnly
                                                                  : OpenMode::CreateIfMissing);
                db.AppendAttempt({"12345678", " 6/03/2024", "10:00:0" + std::to_string(i), "5",
                                  "p" + std::to_string(i), "concedido", ""});
                return std::string();
            } catch (const DatabaseError& error) {
                return error.Description();
            }
        }));
    }
    go.set_value();
    for (auto& program : programs) {
        EXPECT_EQ(program.get(), "");
    }
    EXPECT_EQ(site->Run("SELECT count(*) FROM Intentos"), Rows{std::to_string(kPrograms)});
    EXPECT_EQ(StoredVersion(*site), std::to_string(kSchemaVersion));
    if (file) {
        // The file's schema cookie counts every change of its definitions: the race made as
        // many as one upgrade does.
        EXPECT_EQ(SchemaStamp(*site), oneUpgrade);
        EXPECT_NE(before, oneUpgrade);
    } else {
        EXPECT_EQ(site->Run("SELECT count(*) FROM esquema"), Rows{"1"});
    }
}

TEST_P(SchemaUpgrade, ADatabaseOfANewerVersionIsRefusedAndLeftAlone) {
    MakeVersionOne(*site);
    Connection::Open(site->Location(), OpenMode::CreateIfMissing);
    const bool file = dynamic_cast<FileSite*>(site.get()) != nullptr;
    const std::string newer = std::to_string(kSchemaVersion + 1);
    site->Run(file ? "PRAGMA user_version = " + newer : "UPDATE esquema SET version = " + newer);
    const std::string stamp = SchemaStamp(*site);
    const auto counts = [&] {
        return site->Run(
            "SELECT (SELECT count(*) FROM Alumnos) || '/' || (SELECT count(*) FROM Picadas)");
    };
    const Rows rows = counts();
    for (const OpenMode mode : {OpenMode::ExistingOnly, OpenMode::CreateIfMissing}) {
        const DatabaseError refused = Failure([&] { Connection::Open(site->Location(), mode); });
        EXPECT_EQ(refused.Code(), kDatabaseTooNew);
        EXPECT_NE(refused.Description().find("versión más nueva"), std::string::npos)
            << refused.Description();
        EXPECT_NE(refused.Description().find("versión " + newer), std::string::npos)
            << refused.Description();
        EXPECT_NE(refused.Description().find("No se ha modificado"), std::string::npos);
        EXPECT_EQ(Failure([&] { OpenAdminTables(site->Location(), mode); }).Code(),
                  kDatabaseTooNew);
    }
    EXPECT_EQ(SchemaStamp(*site), stamp);
    EXPECT_EQ(counts(), rows);
}

INSTANTIATE_TEST_SUITE_P(Engines, SchemaUpgrade, BothEngines(), EngineName);

// Out of WAL mode (a file whose first open was cut short, or that another program keeps in the
// old mode) the upgrade would wait for every reader: the open goes on without it at once, and
// the first open after the reader has gone upgrades.
TEST(SchemaUpgradeOfAFile, AReaderInTheOldJournalModeDelaysTheUpgradeNotTheCard) {
    FileSite site;
    MakeVersionOne(site);
    site.Run("PRAGMA journal_mode = DELETE");
    {
        sqlite3* reader = nullptr;
        ASSERT_EQ(sqlite3_open(site.File().c_str(), &reader), SQLITE_OK);
        ASSERT_EQ(
            sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM Alumnos", nullptr, nullptr, nullptr),
            SQLITE_OK);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(
            Connection::Open(site.File(), OpenMode::ExistingOnly).FindStudent("12345678")->nombre,
            "Ana");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
        EXPECT_EQ(StoredVersion(site), "1");
        EXPECT_EQ(site.Run("PRAGMA journal_mode"), Rows{"delete"});
        sqlite3_close(reader);
    }
    Connection::Open(site.File(), OpenMode::ExistingOnly);
    EXPECT_EQ(StoredVersion(site), std::to_string(kSchemaVersion));
    EXPECT_EQ(site.Run("PRAGMA journal_mode"), Rows{"wal"});
}
