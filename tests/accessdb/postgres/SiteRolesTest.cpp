// The site set-up script against the real server: a door station's login reads students and
// records accesses and can do nothing else; a console's login does everything the console does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "TestServer.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "support/StudentDatabase.h"

using namespace accessdb;
using testserver::AdminConnection;
using testserver::Sql;

namespace {

const std::string kStationPassword = "puerta-secreta";
const std::string kConsolePassword = "consola-secreta";

int CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DatabaseError& error) {
        return error.Code();
    }
    return 0;
}

// One site database made by scripts/setup-site-server.sh for the whole suite.
class SiteRoles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const std::string command = "TARVO_STATION_PASSWORD='" + kStationPassword +
                                    "' TARVO_CONSOLE_PASSWORD='" + kConsolePassword + "' '" +
                                    testserver::ScriptsFolder() +
                                    "/setup-site-server.sh' --database " + Database() +
                                    " --admin '" + AdminConnection() + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        // Run twice, as an administrator may: nothing breaks, nothing doubles.
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void TearDownTestSuite() {
        Sql(AdminConnection(), "DROP DATABASE IF EXISTS " + Database() + "_vacia");
        Sql(AdminConnection(), "DROP DATABASE IF EXISTS " + Database());
        Sql(AdminConnection(),
            "DROP ROLE IF EXISTS " + Database() + "_puerta, " + Database() + "_consola");
    }
    static std::string Database() { return "sitio" + std::to_string(getpid()); }

    static std::string As(const std::string& role, const std::string& password,
                          const std::string& database = Database()) {
        return AdminConnection() + " user=" + role + " password=" + password +
               " dbname=" + database;
    }
    static std::string StationLogin() { return As(Database() + "_puerta", kStationPassword); }
    static std::string ConsoleLogin() { return As(Database() + "_consola", kConsolePassword); }
    Rows Everything() const {
        return Sql(AdminConnection() + " dbname=" + Database(),
                   "SELECT (SELECT string_agg(concat_ws('|', dni, nombre, puerta, agosto,"
                   " fin_de_semana, periodo_temporal, fechaa, fechab), ';' ORDER BY dni)"
                   " FROM alumnos) || ' / ' || (SELECT count(*) FROM picadas)");
    }

    void SetUp() override {
        Connection console =
            Connection::Open(StorageLocation::Server(ConsoleLogin()), OpenMode::CreateIfMissing);
        if (CodeOf([&] { console.FindStudent("12345678"); }) == kNoCurrentRow) {
            console.AddStudent(Student());
            console.SaveStudent(Student("3", "1", "1"));
            console.AppendAccess({"12345678", " 5/03/2024", "09:41:07", "3"});
        }
    }
};

}  // namespace

TEST_F(SiteRoles, AStationLoginCannotChangeStudentsOrHistory) {
    const Rows before = Everything();
    const std::vector<std::string> refused = {
        // More doors, no restriction, a new student, a student gone.
        "UPDATE alumnos SET puerta = '1,2,3,4,5,6,7,8' WHERE dni = 12345678",
        "UPDATE alumnos SET agosto = '0', fin_de_semana = '0', periodo_temporal = '0'",
        "INSERT INTO alumnos (dni, nombre, puerta) VALUES (87654321, 'Intruso', '1,2,3')",
        "DELETE FROM alumnos", "TRUNCATE alumnos",
        // History erased, rewritten, read or forged in its order.
        "DELETE FROM picadas", "UPDATE picadas SET puerta = '9'", "TRUNCATE picadas",
        "SELECT * FROM picadas",
        "INSERT INTO picadas (orden, dni) OVERRIDING SYSTEM VALUE VALUES (1000, 12345678)",
        // The tables' shape, a trigger, objects of its own.
        "ALTER TABLE alumnos ADD COLUMN nota text", "DROP TABLE picadas",
        "CREATE TABLE alumnos2 (dni bigint)", "CREATE TEMP TABLE copia (dni bigint)",
        "CREATE TRIGGER t BEFORE INSERT ON picadas FOR EACH ROW EXECUTE FUNCTION "
        "suppress_redundant_updates_trigger()",
        "COPY alumnos FROM STDIN"};
    for (const std::string& statement : refused) {
        EXPECT_EQ(Sql(StationLogin(), statement), Rows{"error: 42501"}) << statement;
    }
    EXPECT_EQ(Everything(), before);
}

TEST_F(SiteRoles, AStationLoginDoesACardsWorkAndIsRefusedTheConsolesThroughTheEngine) {
    Connection station =
        Connection::Open(StorageLocation::Server(StationLogin()), OpenMode::ExistingOnly);
    EXPECT_EQ(station.LookUpStudent("12345678").Field("Fin_de_semana"), "1");
    EXPECT_EQ(CodeOf([&] { station.LookUpStudent("87654321").Field("Nombre"); }), kNoCurrentRow);
    const Rows accessesBefore = Sql(ConsoleLogin(), "SELECT count(*) + 1 FROM picadas");
    EXPECT_EQ(CodeOf([&] {
                  station.AppendAccess({"12345678", " 6/03/2024", "10:00:00", "3"});
              }),
              0);
    EXPECT_EQ(Sql(ConsoleLogin(), "SELECT count(*) FROM picadas"), accessesBefore);
    const Rows before = Everything();

    const std::vector<std::function<void()>> consoleWork = {
        [&] { station.AddStudent(Student()); },
        [&] { station.SaveStudent(Student("1,2,3,4,5,6,7,8")); },
        [&] { station.DeleteStudent("12345678"); }, [&] { station.ListAccesses("12345678"); },
        [&] { station.DeleteAccesses("12345678"); }};
    for (const auto& work : consoleWork) {
        try {
            work();
            ADD_FAILURE() << "a station's login was allowed console work";
        } catch (const DatabaseError& error) {
            EXPECT_EQ(error.Code(), kServerPermissionDenied);
            EXPECT_NE(error.Description().find("consola"), std::string::npos);
        }
    }
    EXPECT_EQ(Everything(), before);
    // A station never creates tables, and has none to create here anyway.
    EXPECT_EQ(CodeOf([&] {
                  Connection::Open(StorageLocation::Server(StationLogin()),
                                   OpenMode::CreateIfMissing);
              }),
              0);
}

TEST_F(SiteRoles, AConsoleLoginDoesEverythingTheConsoleDoes) {
    Connection console =
        Connection::Open(StorageLocation::Server(ConsoleLogin()), OpenMode::CreateIfMissing);
    StudentRecord luis = Student("5");
    luis.dni = "87654321";
    {
        WriteTransaction adding(console);
        console.AddStudent(luis);
        console.SaveStudent(luis);
        adding.Commit();
    }
    console.AppendAccess({"87654321", " 5/03/2024", "09:41:07", "5"});
    EXPECT_EQ(console.ListAccesses("87654321").size(), 1u);
    {
        WriteTransaction deleting(console);
        console.DeleteAccesses("87654321");
        console.DeleteStudent("87654321");
        deleting.Commit();
    }
    EXPECT_EQ(CodeOf([&] { console.FindStudent("87654321"); }), kNoCurrentRow);
}

TEST_F(SiteRoles, AConsoleLoginWithoutTablesIsToldToRunTheSetUp) {
    const std::string empty = Database() + "_vacia";
    ASSERT_EQ(Sql(AdminConnection(), "CREATE DATABASE " + empty), Rows{});
    ASSERT_EQ(Sql(AdminConnection(),
                  "GRANT CONNECT ON DATABASE " + empty + " TO " + Database() + "_consola"),
              Rows{});
    try {
        Connection::Open(
            StorageLocation::Server(As(Database() + "_consola", kConsolePassword, empty)),
            OpenMode::CreateIfMissing);
        ADD_FAILURE() << "opened a database without tables";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.Code(), kServerTablesMissing);
        EXPECT_NE(error.Description().find("setup-site-server.sh"), std::string::npos);
    }
    EXPECT_EQ(Sql(AdminConnection() + " dbname=" + empty, "SELECT to_regclass('alumnos')"),
              Rows{""});
}

TEST_F(SiteRoles, ARefusedLoginSaysWhatToCheck) {
    const auto failure = [](const std::string& address) {
        try {
            Connection::Open(StorageLocation::Server(address), OpenMode::ExistingOnly);
        } catch (const DatabaseError& error) {
            return error;
        }
        return DatabaseError(0, "");
    };
    const DatabaseError wrong = failure(As(Database() + "_puerta", "adivinada"));
    EXPECT_EQ(wrong.Code(), kServerLoginRefused) << wrong.Description();
    EXPECT_NE(wrong.Description().find("contraseña"), std::string::npos);

    const DatabaseError none =
        failure(AdminConnection() + " user=" + Database() + "_puerta dbname=" + Database());
    EXPECT_EQ(none.Code(), kServerLoginRefused) << none.Description();
    EXPECT_NE(none.Description().find(".pgpass"), std::string::npos);

    const DatabaseError noDatabase =
        failure(As(Database() + "_puerta", kStationPassword, Database() + "_inexistente"));
    EXPECT_NE(noDatabase.Code(), 0);
    EXPECT_NE(noDatabase.Code(), kNoCurrentRow);
    EXPECT_NE(noDatabase.Description().find("base de datos"), std::string::npos);
}
