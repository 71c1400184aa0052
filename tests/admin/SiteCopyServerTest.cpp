#include <gtest/gtest.h>

#include <memory>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/postgres/TestServer.h"
#include "admin/SiteCopy.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

using accessdb::OpenMode;

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
    // NULLs, as the sqlite3 shell leaves them, beside texts left empty (Nuño's second surname,
    // the unsaved student's).
    Sql(file,
        "UPDATE Alumnos SET Nombre = NULL, Puerta = NULL, Periodo_temporal = NULL, FechaA = NULL"
        " WHERE DNI = 99999999;"
        "INSERT INTO Intentos (DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo) VALUES"
        " ('12345678', '15/07/2014', '09:59:59', '5', 'puerta-5', 'denegado', 'agosto'),"
        " ('1234567?', ' 1/07/2014', '10:00:00', '0', 'puerta-3', 'error', 'ilegible'),"
        " (NULL, NULL, '10:00:01', '1', NULL, 'error', '')");
    // More than one page of rows, interleaved between two students, some without an hour.
    Sql(file,
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 2499) "
        "INSERT INTO Picadas SELECT CASE WHEN i % 3 = 0 THEN 1234567 ELSE 12345678 END,"
        " '15/07/2014', CASE WHEN i % 7 = 0 THEN NULL ELSE '10:00:' || (10 + i % 50) END,"
        " 1 + i % 8 FROM n;"
        // Was: an access without a DNI stopped the copy with "error inesperado: stoll".
        "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (NULL, '16/07/2014', '11:00:00', "
        "'2')");
    testserver::PrivateSchema server;

    EXPECT_EQ(
        RunAdminProgram("copy " + file.string() + " " + ShellQuoted(server.Connection())).exitCode,
        0);
    EXPECT_EQ(server.Run("SELECT dni IS NULL, fecha IS NULL, puesto IS NULL, motivo IS NULL,"
                         " dia, motivo FROM intentos ORDER BY orden"),
              (testserver::Rows{"f|f|f|f|2014-07-15|agosto", "f|f|f|f|2014-07-01|ilegible",
                                "t|t|t|f||"}));
    // The programs read the NULLs as they read them in the file: empty texts.
    auto onServer = accessdb::Connection::Open(server.Location(), OpenMode::ExistingOnly);
    EXPECT_EQ(onServer.FindStudent("01234567")->apellido1, "Ibáñez");
    EXPECT_EQ(onServer.FindStudent("12345678")->fechaB, "31/12/14");
    EXPECT_EQ(onServer.FindStudent("99999999")->nombre, "");

    const auto back = folder / "vuelta" / "Alumnos.mdb";
    std::filesystem::create_directories(back.parent_path());
    EXPECT_EQ(
        RunAdminProgram("copy " + ShellQuoted(server.Connection()) + " " + back.string()).exitCode,
        0);
    EXPECT_EQ(EverySiteValue(back), EverySiteValue(file));
}

// A server that refuses a row midway: the copy fails and the server is left empty. (A read-back
// that differs is the same code on either engine, tested on files.)
TEST(SiteCopyServer, AServerThatRefusesARowIsLeftEmpty) {
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
    target.reset();
    EXPECT_EQ(server.Run("SELECT (SELECT count(*) FROM alumnos), (SELECT count(*) FROM picadas)"),
              testserver::Rows{"0|0"});
}
