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

    const std::string toServer = "copy " + file.string() + " " + ShellQuoted(server.Connection());
    EXPECT_EQ(RunAdminProgram(toServer).exitCode, 0);
    EXPECT_EQ(server.Run("SELECT dni, nombre IS NULL, apellido2 IS NULL, puerta IS NULL,"
                         " periodo_temporal IS NULL, fechaa IS NULL FROM alumnos ORDER BY dni"),
              (testserver::Rows{"1234567|f|f|f|f|f", "12345678|f|f|f|f|f", "99999999|t|f|t|t|t"}));
    EXPECT_EQ(server.Run("SELECT dni IS NULL, fecha IS NULL, puesto IS NULL, motivo IS NULL,"
                         " dia, motivo FROM intentos ORDER BY orden"),
              (testserver::Rows{"f|f|f|f|2014-07-15|agosto", "f|f|f|f|2014-07-01|ilegible",
                                "t|t|t|f||"}));
    EXPECT_EQ(server.Run("SELECT dni, puerta, hora IS NULL FROM picadas ORDER BY orden LIMIT 2"),
              (testserver::Rows{"1234567|1|t", "12345678|2|f"}));
    EXPECT_EQ(server.Run("SELECT count(*) FILTER (WHERE hora IS NULL),"
                         " count(*) FILTER (WHERE hora = '') FROM picadas"),
              testserver::Rows{"358|0"});
    // The programs read the NULLs as they read them in the file: empty texts.
    auto onServer = accessdb::Connection::Open(server.Location(), OpenMode::ExistingOnly);
    EXPECT_EQ(onServer.FindStudent("01234567")->apellido1, "Ibáñez");
    EXPECT_EQ(onServer.FindStudent("12345678")->fechaB, "31/12/14");
    EXPECT_EQ(onServer.FindStudent("99999999")->nombre, "");

    // A second copy onto the server, now holding rows, is refused and changes nothing.
    EXPECT_EQ(RunAdminProgram(toServer).exitCode, 3);
    EXPECT_EQ(server.Run("SELECT count(*), count(*) FILTER (WHERE dni IS NULL) FROM picadas"),
              testserver::Rows{"2501|1"});

    const auto back = folder / "vuelta" / "Alumnos.mdb";
    std::filesystem::create_directories(back.parent_path());
    EXPECT_EQ(
        RunAdminProgram("copy " + ShellQuoted(server.Connection()) + " " + back.string()).exitCode,
        0);
    EXPECT_EQ(EverySiteValue(back), EverySiteValue(file));
    EXPECT_EQ(Sql(back,
                  "SELECT typeof(Nombre), typeof(Apellido2) FROM Alumnos WHERE DNI = 99999999;"
                  "SELECT count(*) FROM Picadas WHERE Hora IS NULL"),
              (Rows{"null|text", "358"}));
}

// A server that refuses a row, or stores a NULL as an empty text: the copy fails and the
// server is left empty.
TEST(SiteCopyServer, AServerThatDoesNotTakeTheRowsAsTheyAreIsLeftEmpty) {
    TempFolder folder;
    const auto file = folder / "Alumnos.mdb";
    Register(file, {Student("3")});
    accessdb::Connection::Open(file, OpenMode::ExistingOnly)
        .AppendAccess({"12345678", "15/07/2014", "10:00:00", "3"});
    Sql(file, "UPDATE Alumnos SET FechaB = NULL");
    struct Case {
        const char* name;
        const char* table;
        const char* body;
        int code;  // 0: whatever failure the server reports
    };
    const Case cases[] = {
        {"access refused", "picadas", "RAISE EXCEPTION 'refused';", 0},
        {"NULL stored as empty", "alumnos", "NEW.fechab := coalesce(NEW.fechab, ''); RETURN NEW;",
         accessdb::kCopyMismatch},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        testserver::PrivateSchema server;
        accessdb::Connection::Open(server.Location(), OpenMode::CreateIfMissing);
        server.Run(std::string("CREATE FUNCTION alter_row() RETURNS trigger LANGUAGE plpgsql AS "
                               "$$ BEGIN ") +
                   test.body +
                   " END $$;"
                   "CREATE TRIGGER alter_row BEFORE INSERT ON " +
                   test.table + " FOR EACH ROW EXECUTE FUNCTION alter_row()");

        auto source = accessdb::OpenSiteTables(file, OpenMode::ExistingOnly);
        auto target = accessdb::OpenSiteTables(server.Location(), OpenMode::ExistingOnly);
        try {
            admin::CopySite(*source, *target);
            ADD_FAILURE() << "the copy was kept";
        } catch (const accessdb::DatabaseError& error) {
            if (test.code != 0) {
                EXPECT_EQ(error.Code(), test.code) << error.what();
            }
        }
        target.reset();
        EXPECT_EQ(
            server.Run("SELECT (SELECT count(*) FROM alumnos), (SELECT count(*) FROM picadas)"),
            testserver::Rows{"0|0"});
    }
}
