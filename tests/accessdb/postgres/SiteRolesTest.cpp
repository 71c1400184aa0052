// The site set-up script against the real server: a door station's login reads students and
// records accesses and can do nothing else; a console's login does everything the console does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "TestServer.h"
#include "accessdb/AdminTables.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/SchemaVersion.h"
#include "accessdb/Timetables.h"
#include "support/DatabaseFailure.h"
#include "support/StudentDatabase.h"

using namespace accessdb;
using testserver::AdminConnection;
using testserver::Sql;

namespace {

const std::string kStationPassword = "puerta-secreta";
const std::string kConsolePassword = "consola-secreta";

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
        Sql(AdminConnection(), "DROP DATABASE IF EXISTS " + Database() + "_antigua");
        Sql(AdminConnection(), "DROP DATABASE IF EXISTS " + Database());
        Sql(AdminConnection(), "DROP ROLE IF EXISTS " + Database() + "_puerta, " + Database() +
                                   "_consola, " + Database() + "_p1, " + Database() + "_p2");
    }
    static std::string Database() { return "sitio" + std::to_string(getpid()); }

    static std::string As(const std::string& role, const std::string& password,
                          const std::string& database = Database()) {
        return AdminConnection() + " user=" + role + " password=" + password +
               " dbname=" + database;
    }
    static std::string StationLogin() { return As(Database() + "_puerta", kStationPassword); }
    static std::string ConsoleLogin() { return As(Database() + "_consola", kConsolePassword); }
    static int RunSetUp(const std::string& database) {
        const std::string command =
            "'" + testserver::ScriptsFolder() + "/setup-site-server.sh' --database " + database +
            " --station-role " + Database() + "_puerta --console-role " + Database() +
            "_consola --admin '" + AdminConnection() + "' >/dev/null 2>&1";
        return std::system(command.c_str());
    }
    Rows Everything() const {
        return Sql(AdminConnection() + " dbname=" + Database(),
                   "SELECT (SELECT string_agg(concat_ws('|', dni, nombre, puerta, agosto,"
                   " fin_de_semana, periodo_temporal, fechaa, fechab), ';' ORDER BY dni)"
                   " FROM alumnos) || ' / ' || (SELECT count(*) FROM picadas) || ' / ' ||"
                   " (SELECT count(*) FROM intentos)");
    }

    void SetUp() override {
        Connection console =
            Connection::Open(StorageLocation::Server(ConsoleLogin()), OpenMode::CreateIfMissing);
        if (!console.FindStudent("12345678")) {
            console.AddStudent(Student());
            console.SaveStudent(Student("3", "1", "1"));
            console.AppendAccess({"12345678", " 5/03/2024", "09:41:07", "3"});
        }
    }
};

}  // namespace

// Each station with a login of its own writes its own row of Puestos and no other; it reads the
// site's limit and the count of changes that its copy goes by, which a console's change moves.
TEST_F(SiteRoles, AStationsLoginWritesItsOwnRowOfPuestosAndNoOther) {
    for (const char* name : {"_p1", "_p2"}) {
        Sql(AdminConnection() + " dbname=" + Database(), "CREATE ROLE " + Database() + name +
                                                             " LOGIN PASSWORD 'clave' IN ROLE " +
                                                             Database() + "_puerta");
    }
    Connection first = Connection::Open(StorageLocation::Server(As(Database() + "_p1", "clave")),
                                        OpenMode::ExistingOnly);
    Connection second = Connection::Open(StorageLocation::Server(As(Database() + "_p2", "clave")),
                                         OpenMode::ExistingOnly);
    first.ReportStation({"p1", "", "2026-12-07 08:00:00", "", 0, "2026-12-07 07:58:00"});
    first.ReportStation({"p1", "", "2026-12-07 08:01:00", "2026-12-07 08:00:30", 3, "x"});
    second.ReportStation({"p2", "", "2026-12-07 08:02:00", "", 0, ""});
    const DatabaseError refused = Failure([&] {
        second.ReportStation({"p1", "", "2026-12-07 09:00:00", "", 0, ""});
    });
    EXPECT_EQ(refused.Kind(), FailureKind::Denied) << refused.Description();
    EXPECT_EQ(second.Session().Execute("UPDATE puestos SET pendientes = 9", {}), 1);
    EXPECT_EQ(Sql(StationLogin(), "DELETE FROM puestos"), Rows{"error: 42501"});
    EXPECT_EQ(Sql(StationLogin(), "UPDATE puestos SET usuario = 'otro'"), Rows{"error: 42501"});

    Connection console =
        Connection::Open(StorageLocation::Server(ConsoleLogin()), OpenMode::ExistingOnly);
    const std::vector<StationReport> stations = console.ListStations();
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(stations[0].usuario, Database() + "_p1");
    EXPECT_EQ(stations[0].ultimoContacto, "2026-12-07 08:01:00");
    EXPECT_EQ(stations[0].sinServidorDesde, "2026-12-07 08:00:30");
    EXPECT_EQ(stations[0].pendientes, 3);
    EXPECT_EQ(stations[1].pendientes, 9);  // its own row, changed by hand
    EXPECT_EQ(first.OfflineLimitHours(), kDefaultOfflineHours);
    console.SetOfflineLimitHours(0);
    EXPECT_EQ(first.OfflineLimitHours(), 0);
    EXPECT_EQ(Sql(StationLogin(), "UPDATE ajustes SET valor = '1'"), Rows{"error: 42501"});

    const std::int64_t before = first.StudentChanges();
    console.SaveStudent(Student("3", "1", "1"));
    EXPECT_GT(first.StudentChanges(), before);
    EXPECT_TRUE(console.ForgetStation("p2"));
    EXPECT_EQ(console.ListStations().size(), 1u);
    console.SetOfflineLimitHours(kDefaultOfflineHours);
}

TEST_F(SiteRoles, AStationLoginCannotChangeStudentsHistoryOrAttempts) {
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
        "COPY alumnos FROM STDIN",
        // Attempts and the version: written only through the engine, never read or changed.
        "SELECT * FROM intentos", "DELETE FROM intentos", "TRUNCATE intentos",
        "UPDATE intentos SET resultado = 'concedido'",
        "INSERT INTO intentos (orden, dni) OVERRIDING SYSTEM VALUE VALUES (1000, 'x')",
        "UPDATE esquema SET version = 1", "DELETE FROM esquema", "DROP TABLE intentos",
        "CREATE INDEX otro ON intentos (puesto)"};
    for (const std::string& statement : refused) {
        EXPECT_EQ(Sql(StationLogin(), statement), Rows{"error: 42501"}) << statement;
    }
    EXPECT_EQ(Everything(), before);
}

TEST_F(SiteRoles, AStationLoginDoesACardsWorkAndIsRefusedTheConsolesThroughTheEngine) {
    Connection station =
        Connection::Open(StorageLocation::Server(StationLogin()), OpenMode::ExistingOnly);
    EXPECT_EQ(station.FindStudent("12345678")->finDeSemana, "1");
    EXPECT_FALSE(station.FindStudent("87654321"));
    const Rows accessesBefore = Sql(ConsoleLogin(), "SELECT count(*) + 1 FROM picadas");
    EXPECT_EQ(CodeOf([&] {
                  station.AppendAccess({"12345678", " 6/03/2024", "10:00:00", "3"});
              }),
              0);
    EXPECT_EQ(Sql(ConsoleLogin(), "SELECT count(*) FROM picadas"), accessesBefore);
    const Rows attemptsBefore = Sql(ConsoleLogin(), "SELECT count(*) + 1 FROM intentos");
    EXPECT_EQ(CodeOf([&] {
                  station.AppendAttempt(
                      {"12345678", " 5/03/2024", "09:41:07", "3", "p1", kOutcomeGranted, ""});
              }),
              0);
    EXPECT_EQ(Sql(ConsoleLogin(), "SELECT count(*) FROM intentos"), attemptsBefore);
    EXPECT_EQ(CodeOf([&] { station.ListAttempts({}); }), kServerPermissionDenied);
    const Rows before = Everything();

    const std::vector<std::function<void()>> consoleWork = {
        [&] { station.AddStudent(Student()); },
        [&] { station.SaveStudent(Student("1,2,3,4,5,6,7,8")); },
        [&] { station.DeleteStudent("12345678"); }, [&] { station.ListAccesses("12345678"); },
        [&] { station.DeleteAccesses("12345678"); }};
    for (const auto& work : consoleWork) {
        const DatabaseError error = Failure(work);
        EXPECT_EQ(error.Code(), kServerPermissionDenied);
        EXPECT_NE(error.Description().find("consola"), std::string::npos);
    }
    EXPECT_EQ(Everything(), before);
    // A station never creates tables, and has none to create here anyway.
    EXPECT_EQ(CodeOf([&] {
                  Connection::Open(StorageLocation::Server(StationLogin()),
                                   OpenMode::CreateIfMissing);
              }),
              0);
}

TEST_F(SiteRoles, AConsoleLoginWithoutTablesIsToldToRunTheSetUp) {
    const std::string empty = Database() + "_vacia";
    ASSERT_EQ(Sql(AdminConnection(), "CREATE DATABASE " + empty), Rows{});
    ASSERT_EQ(Sql(AdminConnection(),
                  "GRANT CONNECT ON DATABASE " + empty + " TO " + Database() + "_consola"),
              Rows{});
    const DatabaseError error = Failure([&] {
        Connection::Open(
            StorageLocation::Server(As(Database() + "_consola", kConsolePassword, empty)),
            OpenMode::CreateIfMissing);
    });
    EXPECT_EQ(error.Code(), kTablesMissing);
    EXPECT_NE(error.Description().find("tarvo-setup-server"), std::string::npos);
    EXPECT_EQ(Sql(AdminConnection() + " dbname=" + empty, "SELECT to_regclass('alumnos')"),
              Rows{""});
}

TEST_F(SiteRoles, ARefusedLoginSaysWhatToCheck) {
    const auto failure = [](const std::string& address) {
        return Failure(
            [&] { Connection::Open(StorageLocation::Server(address), OpenMode::ExistingOnly); });
    };
    const DatabaseError wrong = failure(As(Database() + "_puerta", "adivinada"));
    EXPECT_EQ(wrong.Code(), kServerLoginRefused) << wrong.Description();
    EXPECT_EQ(wrong.Kind(), FailureKind::Denied);
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

// Tables added by a role that may create them (a console logged in as the owner) come
// without the stations' rights: the station says to run the set-up script, which gives them.
TEST_F(SiteRoles, AStationWithoutRightsOnTheVersionIsToldToRunTheSetUp) {
    ASSERT_EQ(Sql(AdminConnection() + " dbname=" + Database(),
                  "REVOKE SELECT ON esquema FROM " + Database() + "_puerta"),
              Rows{});
    const DatabaseError error = Failure(
        [&] { Connection::Open(StorageLocation::Server(StationLogin()), OpenMode::ExistingOnly); });
    EXPECT_EQ(error.Code(), kServerPermissionDenied);
    EXPECT_EQ(error.Kind(), FailureKind::Denied);
    EXPECT_NE(error.Description().find("tarvo-setup-server"), std::string::npos)
        << error.Description();
    ASSERT_EQ(RunSetUp(Database()), 0);
    EXPECT_EQ(CodeOf([&] {
                  Connection::Open(StorageLocation::Server(StationLogin()), OpenMode::ExistingOnly);
              }),
              0);
}

// The console's own work (the set-up above adds, saves and records with this login too: here
// what deletes and reads the attempts), and tarvo-admin's bulk jobs.
TEST_F(SiteRoles, AConsoleLoginDoesTheConsolesWorkAndTheAdminJobsButNeverWritesAnAttempt) {
    const StorageLocation console = StorageLocation::Server(ConsoleLogin());
    Connection station =
        Connection::Open(StorageLocation::Server(StationLogin()), OpenMode::ExistingOnly);
    station.AppendAttempt(
        {"87654321", " 5/03/2023", "09:00:00", "3", "p1", kOutcomeUnregistered, ""});
    station.AppendAttempt(
        {"87654321", " 5/03/2024", "09:00:00", "3", "p1", kOutcomeUnregistered, ""});
    Connection db = Connection::Open(console, OpenMode::CreateIfMissing);
    StudentRecord luis = Student("5");
    luis.dni = "87654321";
    db.AddStudent(luis);
    db.AppendAccess({"87654321", " 5/03/2024", "09:41:07", "5"});
    EXPECT_EQ(db.ListAccesses("87654321").size(), 1u);
    {
        Transaction deleting = db.Write();
        db.DeleteAccesses("87654321");
        db.DeleteStudent("87654321");
        deleting.Commit();
    }
    EXPECT_FALSE(db.FindStudent("87654321"));
    AttemptQuery query;
    query.dni = "87654321";
    EXPECT_EQ(db.ListAttempts(query).attempts.size(), 2u);
    EXPECT_EQ(Sql(ConsoleLogin(), "INSERT INTO intentos (dni) VALUES ('x')"), Rows{"error: 42501"});

    // The bulk jobs of tarvo-admin with the consoles' login.
    auto admin = OpenAdminTables(console, OpenMode::CreateIfMissing);
    EXPECT_EQ(admin->CheckIntegrity(), std::vector<std::string>{});
    while (admin->PurgeChunk("2024-01-01", 100) > 0) {
    }
    EXPECT_EQ(db.ListAttempts(query).attempts.size(), 1u);
    EXPECT_EQ(admin->Person(87654321)->attempts.size(), 1u);
    admin->Erase(87654321);
    EXPECT_EQ(db.ListAttempts(query).attempts.size(), 0u);
}

TEST_F(SiteRoles, AnOldServerIsUpgradedByTheSetUpScriptAndUntilThenEveryProgramSaysSo) {
    const std::string old = Database() + "_antigua";
    const std::string station = Database() + "_puerta";
    const std::string console = Database() + "_consola";
    ASSERT_EQ(Sql(AdminConnection(), "CREATE DATABASE " + old), Rows{});
    // The tables and rights as the previous version of the set-up script left them.
    ASSERT_EQ(Sql(AdminConnection(), "REVOKE ALL ON DATABASE " + old +
                                         " FROM PUBLIC; GRANT CONNECT ON DATABASE " + old + " TO " +
                                         station + ", " + console),
              Rows{});
    ASSERT_EQ(Sql(AdminConnection() + " dbname=" + old,
                  testserver::kVersionOneTables +
                      "REVOKE CREATE ON SCHEMA public FROM PUBLIC;"
                      "GRANT USAGE ON SCHEMA public TO " +
                      station + ", " + console + "; GRANT SELECT ON alumnos TO " + station +
                      "; GRANT INSERT (dni, fecha, hora, puerta) ON picadas TO " + station +
                      "; GRANT SELECT, INSERT, UPDATE, DELETE ON alumnos, picadas TO " + console +
                      "; INSERT INTO alumnos (dni, nombre, puerta) VALUES (12345678, 'Ana', '3');"
                      " INSERT INTO picadas (dni, fecha, hora, puerta)"
                      " VALUES (12345678, ' 5/03/2024', '09:41:07', '3')"),
              Rows{});
    const std::string oldStation = As(station, kStationPassword, old);
    const std::string oldConsole = As(console, kConsolePassword, old);
    for (const auto& [login, mode] : {std::pair{oldStation, OpenMode::ExistingOnly},
                                      std::pair{oldConsole, OpenMode::CreateIfMissing}}) {
        const DatabaseError error =
            Failure([&] { Connection::Open(StorageLocation::Server(login), mode); });
        EXPECT_EQ(error.Code(), kTablesMissing);
        EXPECT_NE(error.Description().find("versión anterior"), std::string::npos)
            << error.Description();
        EXPECT_NE(error.Description().find("tarvo-setup-server"), std::string::npos);
    }
    EXPECT_EQ(Sql(AdminConnection() + " dbname=" + old, "SELECT to_regclass('intentos')"),
              Rows{""});

    ASSERT_EQ(RunSetUp(old), 0);
    Connection card = Connection::Open(StorageLocation::Server(oldStation), OpenMode::ExistingOnly);
    EXPECT_EQ(card.FindStudent("12345678")->nombre, "Ana");
    card.AppendAttempt({"12345678", " 6/03/2024", "10:00:00", "3", "p1", kOutcomeGranted, ""});
    EXPECT_EQ(Connection::Open(StorageLocation::Server(oldConsole), OpenMode::CreateIfMissing)
                  .ListAccesses("12345678")
                  .size(),
              1u);
    EXPECT_EQ(Sql(oldConsole, "SELECT version FROM esquema"), Rows{std::to_string(kSchemaVersion)});

    // The script of an older version refuses a newer database and leaves it alone.
    const std::string newer = std::to_string(kSchemaVersion + 1);
    ASSERT_EQ(Sql(AdminConnection() + " dbname=" + old, "UPDATE esquema SET version = " + newer),
              Rows{});
    EXPECT_NE(RunSetUp(old), 0);
    EXPECT_EQ(Sql(oldConsole, "SELECT version FROM esquema"), Rows{newer});
    EXPECT_EQ(Sql(oldConsole, "SELECT count(*) FROM intentos"), Rows{"1"});
}

// A station decides by the timetables and the calendar and can change none of them; a console
// keeps them.
TEST_F(SiteRoles, AStationLoginReadsTheTimetablesAndTheCalendarAndChangesNone) {
    Connection console =
        Connection::Open(StorageLocation::Server(ConsoleLogin()), OpenMode::ExistingOnly);
    TimetableStore kept(console.Session());
    Timetable pupils{"Alumnado", false, {}};
    pupils.dias[0] = {{465, 915}};
    kept.Save(pupils);
    kept.AssignStudent("12345678", "Alumnado");
    kept.AssignDoor('3', "Alumnado");
    kept.AddCalendarRange({"2026-12-23", "2027-01-07", "Navidad"});

    Connection station =
        Connection::Open(StorageLocation::Server(StationLogin()), OpenMode::ExistingOnly);
    TimetableStore read(station.Session());
    const CardTimetables card = read.ForCard("12345678", '3', "2026-12-28", 1);
    ASSERT_TRUE(card.alumno && card.puerta);
    EXPECT_EQ(card.alumno->tramos, (std::vector<TimetableSegment>{{465, 915}}));
    EXPECT_EQ(card.diaSinClase, "Navidad");

    for (const std::function<void()>& change : std::vector<std::function<void()>>{
             [&] { read.Save(pupils); }, [&] { read.AssignStudent("12345678", "Alumnado"); },
             [&] { read.UnassignDoor('3'); },
             [&] {
                 read.AddCalendarRange({"2027-04-01", "2027-04-01", "Jueves Santo"});
             },
             [&] { read.Rename("Alumnado", "Otro"); },
             [&] { read.RemoveCalendarRange("2026-12-23", "2027-01-07"); }}) {
        const DatabaseError refused = Failure(change);
        EXPECT_EQ(refused.Kind(), FailureKind::Denied) << refused.Description();
    }
    for (const char* table :
         {"horarios", "tramos", "calendario", "horarios_alumnos", "horarios_puertas"}) {
        EXPECT_EQ(Sql(StationLogin(), std::string("DELETE FROM ") + table), Rows{"error: 42501"})
            << table;
    }
    EXPECT_EQ(kept.List(), std::vector<Timetable>{pupils});
    EXPECT_EQ(kept.Calendar().size(), 1u);
    // The console's login takes them away again.
    EXPECT_TRUE(kept.UnassignDoor('3'));
    EXPECT_TRUE(kept.UnassignStudent("12345678"));
    EXPECT_TRUE(kept.Delete("Alumnado"));
    EXPECT_TRUE(kept.RemoveCalendarRange("2026-12-23", "2027-01-07"));
}
