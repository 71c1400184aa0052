#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "admin/SiteCopy.h"
#include "support/DatabaseFailure.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

using accessdb::OpenMode;

namespace {

class SiteCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        accessdb::StudentRecord ana = Student("1,3,", "1", "0", "1", "05/03/14", "31/12/14");
        accessdb::StudentRecord nuno{"01234567", "Nuño", "Ibáñez", "", "8", "0", "1", "0", "", ""};
        Register(source, {nuno, ana});
        auto db = accessdb::Connection::Open(source, OpenMode::ExistingOnly);
        db.AddStudent({"99999999", "Sin", "Guardar", "", "", "", "", "", "", ""});  // defaults
        // Interleaved, and not in DNI or date order: the copy keeps the order written.
        db.AppendAccess({"12345678", "15/07/2014", "10:00:00", "3"});
        db.AppendAccess({"01234567", " 5/07/2014", "09:00:00", "8"});
        db.AppendAccess({"12345678", " 1/01/2014", "08:00:00", "1"});
        db.AppendAttempt({"12345678", " 1/01/2014", "08:00:00", "1", "puerta-norte",
                          accessdb::kOutcomeGranted, ""});
        db.AppendAttempt({"0123456X", " 2/01/2014", "08:00:05", "0", "puerta-sur",
                          accessdb::kOutcomeError, "Smart Card erronea"});
        // NULLs, as the sqlite3 shell or a spreadsheet import leaves them, beside the texts
        // left empty on purpose (Nuño's second surname and first date).
        Sql(source,
            "UPDATE Alumnos SET Apellido2 = NULL, Puerta = NULL, Agosto = NULL, FechaB = NULL"
            " WHERE DNI = 99999999;"
            "UPDATE Picadas SET Hora = NULL, Puerta = NULL WHERE rowid = 2;"
            "UPDATE Intentos SET Puesto = NULL, Motivo = NULL WHERE Resultado = 'concedido'");
    }

    std::unique_ptr<accessdb::SiteTables> Open(const std::filesystem::path& file, OpenMode mode) {
        return accessdb::OpenSiteTables(file, mode);
    }

    TempFolder folder;
    std::filesystem::path source = folder / "Alumnos.mdb";
    std::filesystem::path target = folder / "copia.mdb";
};

}  // namespace

TEST_F(SiteCopyTest, CopiesEveryColumnAndTheOrderWrittenIntoANewFile) {
    auto from = Open(source, OpenMode::ExistingOnly);
    auto to = Open(target, OpenMode::CreateIfMissing);
    const admin::CopyCount count = admin::CopySite(*from, *to);
    EXPECT_EQ(count.students, 3);
    EXPECT_EQ(count.accesses, 3);
    EXPECT_EQ(count.attempts, 2);
    // Every value quoted: a NULL stays NULL and an empty text a text, in the order written.
    EXPECT_EQ(EverySiteValue(target), EverySiteValue(source));
    // The copy is a database the programs use as they use the original.
    auto db = accessdb::Connection::Open(target, OpenMode::ExistingOnly);
    EXPECT_EQ(db.FindStudent("01234567")->nombre, "Nuño");
    EXPECT_EQ(db.ListAccesses("12345678").at(1).fecha, " 1/01/2014");
}

// Nothing is ever copied over a database that holds rows, and a failed check commits nothing.
TEST_F(SiteCopyTest, TargetsThatMustNotBeWrittenAreLeftAsTheyWere) {
    struct Case {
        const char* name;
        const char* targetSql;
        int code;
    };
    const Case cases[] = {
        {"target has a student", "INSERT INTO Alumnos (DNI) VALUES (1)", accessdb::kTargetNotEmpty},
        {"target has an access", "INSERT INTO Picadas (DNI) VALUES (1)", accessdb::kTargetNotEmpty},
        {"target has an attempt", "INSERT INTO Intentos (DNI) VALUES ('1')",
         accessdb::kTargetNotEmpty},
        // The target changes what it stores: the read-back differs and nothing is kept.
        {"read-back differs",
         "CREATE TRIGGER alter_door AFTER INSERT ON Picadas "
         "BEGIN UPDATE Picadas SET Puerta = '7' WHERE rowid = new.rowid; END",
         accessdb::kCopyMismatch},
        // The target turns a NULL into an empty text, or an empty text into a NULL.
        {"student's NULL read back empty",
         "CREATE TRIGGER no_null AFTER INSERT ON Alumnos WHEN new.Agosto IS NULL "
         "BEGIN UPDATE Alumnos SET Agosto = '' WHERE DNI = new.DNI; END",
         accessdb::kCopyMismatch},
        {"student's empty text read back NULL",
         "CREATE TRIGGER to_null AFTER INSERT ON Alumnos WHEN new.Apellido2 = '' "
         "BEGIN UPDATE Alumnos SET Apellido2 = NULL WHERE DNI = new.DNI; END",
         accessdb::kCopyMismatch},
        {"access's NULL read back empty",
         "CREATE TRIGGER no_null AFTER INSERT ON Picadas WHEN new.Hora IS NULL "
         "BEGIN UPDATE Picadas SET Hora = '' WHERE rowid = new.rowid; END",
         accessdb::kCopyMismatch},
        {"attempt's NULL read back empty",
         "CREATE TRIGGER no_null AFTER INSERT ON Intentos WHEN new.Motivo IS NULL "
         "BEGIN UPDATE Intentos SET Motivo = '' WHERE Orden = new.Orden; END",
         accessdb::kCopyMismatch},
        {"write refused midway",
         "CREATE TRIGGER refuse BEFORE INSERT ON Picadas WHEN new.Puerta = '1' "
         "BEGIN SELECT RAISE(ABORT, 'refused'); END",
         SQLITE_CONSTRAINT},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::filesystem::remove(target);
        Open(target, OpenMode::CreateIfMissing);
        Sql(target, test.targetSql);
        const Rows before = EverySiteValue(target);
        auto from = Open(source, OpenMode::ExistingOnly);
        auto to = Open(target, OpenMode::CreateIfMissing);
        EXPECT_EQ(CodeOf([&] { admin::CopySite(*from, *to); }), test.code);
        to.reset();
        EXPECT_EQ(EverySiteValue(target), before);
    }
}

TEST_F(SiteCopyTest, ASourceWithATextDniIsRefusedBeforeAnythingIsWritten) {
    const std::filesystem::path sheet = folder / "hoja" / "Alumnos.mdb";
    std::filesystem::create_directories(sheet.parent_path());
    Sql(sheet,
        "CREATE TABLE Alumnos (DNI TEXT, Nombre TEXT, Apellido1 TEXT, Apellido2 TEXT, Puerta TEXT,"
        " Agosto TEXT, Fin_de_semana TEXT, Periodo_temporal TEXT, FechaA TEXT, FechaB TEXT);"
        "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT, Puerta TEXT);"
        "INSERT INTO Alumnos (DNI, Nombre) VALUES ('01234567', 'Ana')");
    const AdminRun run = RunAdminProgram("copy " + sheet.string() + " " + target.string());
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("DNI"), std::string::npos) << run.err;
    if (std::filesystem::exists(target)) {
        EXPECT_EQ(Sql(target, "SELECT count(*) FROM Alumnos; SELECT count(*) FROM Picadas"),
                  (Rows{"0", "0"}));
    }
}

TEST_F(SiteCopyTest, TheCommandTellsScriptsWhatHappenedByItsExitCode) {
    const std::string copy = "copy " + source.string() + " " + target.string();
    const AdminRun copied = RunAdminProgram(copy);
    EXPECT_EQ(copied.exitCode, 0) << copied.err;
    EXPECT_NE((copied.out + copied.err).find("Copiados 3 alumnos, 3 accesos y 2 intentos"),
              std::string::npos);
    EXPECT_EQ(EverySiteValue(target), EverySiteValue(source));

    const AdminRun again = RunAdminProgram(copy);
    EXPECT_EQ(again.exitCode, 3) << again.err;
    EXPECT_NE(again.err.find("ya tiene alumnos"), std::string::npos) << again.err;

    const AdminRun missing = RunAdminProgram("copy " + (folder / "nada" / "Alumnos.mdb").string() +
                                             " " + (folder / "otra.mdb").string());
    EXPECT_EQ(missing.exitCode, 1) << missing.err;
    EXPECT_NE(missing.err.find("No se encuentra"), std::string::npos) << missing.err;
    EXPECT_EQ(RunAdminProgram("copy " + source.string()).exitCode, 2);
}
