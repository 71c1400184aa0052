#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/postgres/TestServer.h"
#include "admin/SiteCopy.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

using accessdb::OpenMode;

namespace {

int Admin(const std::string& arguments) {
    const std::string command = std::string(TARVO_ADMIN) + " " + arguments + " >/dev/null 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

// A site moves from its file to a server and back: the same rows, in the same order, and a
// database the programs use on either engine.
TEST(SiteCopyServer, AFileMovesToTheServerAndBackUnchanged) {
    TempFolder folder;
    const auto file = folder / "Alumnos.mdb";
    Register(file, {Student("1,3,", "1", "0", "1", "05/03/14", "31/12/14"),
                    {"01234567", "Nuño", "Ibáñez", "", "8", "0", "1", "0", "", ""}});
    {
        auto db = accessdb::Connection::Open(file, OpenMode::ExistingOnly);
        db.AddStudent({"99999999", "Sin", "Guardar", "", "", "", "", "", "", ""});
    }
    Sql(file,
        "INSERT INTO Intentos (DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo) VALUES"
        " ('12345678', '15/07/2014', '09:59:59', '5', 'puerta-5', 'denegado', 'agosto'),"
        " ('1234567?', ' 1/07/2014', '10:00:00', '0', 'puerta-3', 'error', 'ilegible')");
    // More than one page of rows, interleaved between two students.
    Sql(file,
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 2499) "
        "INSERT INTO Picadas SELECT CASE WHEN i % 3 = 0 THEN 1234567 ELSE 12345678 END,"
        " '15/07/2014', '10:00:' || (10 + i % 50), 1 + i % 8 FROM n");
    testserver::PrivateSchema server;

    EXPECT_EQ(Admin("copy " + file.string() + " " + Quoted(server.Connection())), 0);
    EXPECT_EQ(server.Run("SELECT count(*) FROM alumnos"), testserver::Rows{"3"});
    EXPECT_EQ(server.Run("SELECT dni, dia, motivo FROM intentos ORDER BY orden"),
              (testserver::Rows{"12345678|2014-07-15|agosto", "1234567?|2014-07-01|ilegible"}));
    EXPECT_EQ(server.Run("SELECT dni, puerta FROM picadas ORDER BY orden LIMIT 2"),
              (testserver::Rows{"1234567|1", "12345678|2"}));
    auto onServer = accessdb::Connection::Open(server.Location(), OpenMode::ExistingOnly);
    EXPECT_EQ(onServer.FindStudent("01234567").apellido1, "Ibáñez");
    EXPECT_EQ(onServer.FindStudent("12345678").fechaB, "31/12/14");

    // A second copy onto the server, now holding rows, is refused and changes nothing.
    EXPECT_EQ(Admin("copy " + file.string() + " " + Quoted(server.Connection())), 3);
    EXPECT_EQ(server.Run("SELECT count(*) FROM picadas"), testserver::Rows{"2500"});

    const auto back = folder / "vuelta" / "Alumnos.mdb";
    std::filesystem::create_directories(back.parent_path());
    EXPECT_EQ(Admin("copy " + Quoted(server.Connection()) + " " + back.string()), 0);
    const std::string everything =
        "SELECT * FROM Alumnos ORDER BY DNI; SELECT DNI, Fecha, Hora, Puerta FROM Picadas "
        "ORDER BY rowid; SELECT DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo, Dia "
        "FROM Intentos ORDER BY Orden";
    EXPECT_EQ(Sql(back, everything), Sql(file, everything));
}

TEST(SiteCopyServer, ARefusedWriteOnTheServerLeavesItEmpty) {
    TempFolder folder;
    const auto file = folder / "Alumnos.mdb";
    Register(file, {Student("3")});
    accessdb::Connection::Open(file, OpenMode::ExistingOnly)
        .AppendAccess({"12345678", "15/07/2014", "10:00:00", "3"});
    testserver::PrivateSchema server;
    accessdb::Connection::Open(server.Location(), OpenMode::CreateIfMissing);
    server.Run(
        "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
        "$$ BEGIN RAISE EXCEPTION 'refused'; END $$;"
        "CREATE TRIGGER refuse BEFORE INSERT ON picadas FOR EACH ROW EXECUTE FUNCTION refuse()");

    auto source = accessdb::OpenSiteTables(file, OpenMode::ExistingOnly);
    auto target = accessdb::OpenSiteTables(server.Location(), OpenMode::ExistingOnly);
    EXPECT_THROW(admin::CopySite(*source, *target), accessdb::DatabaseError);
    EXPECT_EQ(server.Run("SELECT count(*) FROM alumnos"), testserver::Rows{"0"});
}
