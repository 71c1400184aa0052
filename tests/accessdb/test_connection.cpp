#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>

#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/DatabaseFile.h"
#include "support/TempFolder.h"

using namespace accessdb;

namespace {

int ErrorCode(const std::function<void()>& action) {
    try {
        action();
    } catch (const DatabaseError& error) {
        return error.Code();
    }
    return 0;
}

long long Count(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    long long n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return n;
}

std::string Shell(const std::filesystem::path& file, const std::string& sql) {
    const std::string command = "sqlite3 '" + file.string() + "' \"" + sql + "\" 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
            output += buffer;
        }
        pclose(pipe);
    }
    return output;
}

StudentRecord Student(const std::string& dni, const std::string& nombre = "Ana",
                      const std::string& apellido1 = "Pérez",
                      const std::string& apellido2 = "Gil") {
    StudentRecord s;
    s.dni = dni;
    s.nombre = nombre;
    s.apellido1 = apellido1;
    s.apellido2 = apellido2;
    return s;
}

class DatabaseTest : public ::testing::Test {
  protected:
    Connection Console() { return Connection::Open(file, OpenMode::CreateIfMissing); }
    Connection Controller() { return Connection::Open(file, OpenMode::ExistingOnly); }

    TempFolder folder;
    std::filesystem::path file = folder / "Alumnos.mdb";
};

}  // namespace

TEST_F(DatabaseTest, ConsoleCreatesAFileTheSqliteShellReads) {
    Console().AddStudent(Student("12345678"));
    EXPECT_EQ(
        Shell(file, "SELECT DNI, Nombre, Puerta, Agosto, Periodo_temporal, FechaA FROM Alumnos"),
        "12345678|Ana||0|0|\n");
    EXPECT_EQ(Shell(file, "PRAGMA journal_mode"), "wal\n");
    EXPECT_EQ(Count(file, "SELECT count(*) FROM sqlite_master WHERE name = 'Picadas_DNI'"), 1);
}

TEST_F(DatabaseTest, ControllerNeverCreatesTheFile) {
    const int code = ErrorCode([&] { Controller(); });
    EXPECT_EQ(code, kFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(DatabaseTest, DamagedFileFailsAtOpenWithoutNoCurrentRow) {
    std::ofstream(file) << "this is not a database, just some text that fills the header.....";
    const int code = ErrorCode([&] { Controller(); });
    EXPECT_NE(code, 0);
    EXPECT_NE(code, kNoCurrentRow);
}

TEST_F(DatabaseTest, EitherLetterCaseReachesTheOneFile) {
    Connection::Open(folder / "alumnos.mdb", OpenMode::CreateIfMissing)
        .AddStudent(Student("11111111"));
    EXPECT_EQ(Controller().FindStudent("11111111").nombre, "Ana");
    EXPECT_EQ(Connection::Open(folder / "ALUMNOS.MDB", OpenMode::CreateIfMissing)
                  .FindStudent("11111111")
                  .apellido1,
              "Pérez");
    EXPECT_FALSE(std::filesystem::exists(folder / "Alumnos.mdb"));
}

TEST_F(DatabaseTest, TwoSpellingsInOneFolderStillMeetOnOneFile) {
    Connection::Open(folder / "Alumnos.mdb", OpenMode::CreateIfMissing).AddStudent(Student("11111111"));
    std::ofstream(folder / "ALUMNOS.mdb") << "";  // stray files with other spellings
    std::ofstream(folder / "alumnos.mdb") << "";
    for (const char* name : {"Alumnos.mdb", "alumnos.mdb", "ALUMNOS.MDB"}) {
        EXPECT_EQ(FindDatabaseFile(folder / name), folder / "Alumnos.mdb") << name;
        EXPECT_EQ(Connection::Open(folder / name, OpenMode::ExistingOnly).FindStudent("11111111").nombre,
                  "Ana");
    }
}

TEST_F(DatabaseTest, AcceptsAFileMadeByHandWithTheShell) {
    Shell(file,
          "CREATE TABLE Alumnos (DNI INTEGER, Nombre TEXT, Apellido1 TEXT, Apellido2 TEXT, Puerta "
          "TEXT,"
          " Agosto TEXT, Fin_de_semana TEXT, Periodo_temporal TEXT, FechaA TEXT, FechaB TEXT);"
          "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT, Puerta TEXT);"
          "INSERT INTO Alumnos (DNI, Nombre, Apellido1, Puerta) VALUES (22222222, 'Luis', 'Mora', "
          "'5');");
    Connection db = Controller();
    StudentRecord s = db.FindStudent("22222222");
    EXPECT_EQ(s.puerta, "5");
    EXPECT_EQ(s.agosto, "");  // NULL reads as the empty text
    db.AppendAccess({"22222222", " 5/07/2014", "09:41:07", "5"});
    EXPECT_EQ(
        Count(file,
              "SELECT count(*) FROM sqlite_master WHERE name IN ('Picadas_DNI', 'Alumnos_DNI')"),
        2);
}

TEST_F(DatabaseTest, StudentsRoundTripWithDefaultsAndNumericDni) {
    Connection db = Console();
    db.AddStudent(Student("01234567", "María", "Núñez", "Ibáñez"));
    StudentRecord s = db.FindStudent("01234567");
    EXPECT_EQ(s.dni, "01234567");
    EXPECT_EQ(s.nombre, "María");
    EXPECT_EQ(s.apellido2, "Ibáñez");
    EXPECT_EQ(s.puerta, "");
    EXPECT_EQ(s.agosto, "0");
    EXPECT_EQ(s.finDeSemana, "0");
    EXPECT_EQ(s.periodoTemporal, "0");
    EXPECT_EQ(s.fechaB, "");
    EXPECT_EQ(Count(file, "SELECT DNI FROM Alumnos"), 1234567);  // stored as a number

    s.puerta = "1,3,";
    s.periodoTemporal = "1";
    s.fechaA = "05/03/14";
    s.fechaB = "31/12/14";
    db.SaveStudent(s);
    StudentRecord back = Controller().FindStudent("01234567");
    EXPECT_EQ(back.puerta, "1,3,");
    EXPECT_EQ(back.fechaA, "05/03/14");
    EXPECT_EQ(back.fechaB, "31/12/14");
}

TEST_F(DatabaseTest, NoCurrentRowExactlyWhereTheRowIsMissing) {
    Connection db = Console();
    EXPECT_EQ(ErrorCode([&] { db.FindStudent("12345678"); }), kNoCurrentRow);
    EXPECT_EQ(ErrorCode([&] { db.LookUpStudent("12345678").Field("Nombre"); }), kNoCurrentRow);
    EXPECT_EQ(ErrorCode([&] { db.ListAccesses("12345678"); }), kNoCurrentRow);
    EXPECT_EQ(ErrorCode([&] { db.DeleteAccesses("12345678"); }), kNoCurrentRow);
    EXPECT_EQ(ErrorCode([&] { db.SaveStudent(Student("12345678")); }), kNoCurrentRow);
    EXPECT_EQ(ErrorCode([&] { db.DeleteStudent("12345678"); }), kNoCurrentRow);

    db.AddStudent(Student("12345678"));
    const int duplicate = ErrorCode([&] { db.AddStudent(Student("12345678")); });
    EXPECT_NE(duplicate, 0);
    EXPECT_NE(duplicate, kNoCurrentRow);
    const int missingColumn = ErrorCode([&] { db.LookUpStudent("12345678").Field("Telefono"); });
    EXPECT_EQ(missingColumn, kColumnNotFound);

    sqlite3_exec(db.Handle(), "DROP TABLE Picadas", nullptr, nullptr, nullptr);
    const int missingTable = ErrorCode([&] { db.ListAccesses("12345678"); });
    EXPECT_NE(missingTable, 0);
    EXPECT_NE(missingTable, kNoCurrentRow);
}

TEST_F(DatabaseTest, AccessesComeBackInTheOrderWrittenAndPerStudent) {
    Connection db = Console();
    db.AppendAccess({"12345678", "15/07/2014", "10:00:00", "3"});
    db.AppendAccess({"87654321", "15/07/2014", "10:00:01", "1"});
    db.AppendAccess({"12345678", " 5/07/2014", "09:00:00", "5"});
    auto rows = db.ListAccesses("12345678");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].fecha, "15/07/2014");
    EXPECT_EQ(rows[1].fecha, " 5/07/2014");
    EXPECT_EQ(rows[1].puerta, "5");

    db.DeleteAccesses("12345678");
    EXPECT_EQ(ErrorCode([&] { db.ListAccesses("12345678"); }), kNoCurrentRow);
    EXPECT_EQ(db.ListAccesses("87654321").size(), 1u);
}

TEST_F(DatabaseTest, MalformedDnisAreRefusedBeforeAnythingIsReadOrWritten) {
    Connection db = Console();
    db.AddStudent(Student("12345678"));
    db.AddStudent(Student("87654321"));
    db.AppendAccess({"12345678", "15/07/2014", "10:00:00", "3"});
    db.AppendAccess({"87654321", "15/07/2014", "10:00:00", "3"});

    for (std::string dni : {"1 OR 1=1", "1234567A", "1234567", "123456789", "1;DROP T", " 1234567",
                            "0x123456", "-1234567", "1e7     "}) {
        SCOPED_TRACE(dni);
        StudentRecord s = Student(dni);
        for (const auto& action : std::vector<std::function<void()>>{
                 [&] { db.LookUpStudent(dni); },
                 [&] { db.FindStudent(dni); },
                 [&] { db.AddStudent(s); },
                 [&] { db.SaveStudent(s); },
                 [&] { db.DeleteStudent(dni); },
                 [&] { db.ListAccesses(dni); },
                 [&] { db.DeleteAccesses(dni); },
                 [&] {
                     db.AppendAccess({dni, "15/07/2014", "10:00:00", "3"});
                 },
             }) {
            try {
                action();
                ADD_FAILURE() << "accepted";
            } catch (const DatabaseError& error) {
                EXPECT_EQ(error.Code(), kInvalidDni);
                EXPECT_NE(error.Description().find("ocho cifras"), std::string::npos);
            }
        }
    }
    EXPECT_EQ(Count(file, "SELECT count(*) FROM Alumnos"), 2);
    EXPECT_EQ(Count(file, "SELECT count(*) FROM Picadas"), 2);
    EXPECT_EQ(Count(file, "SELECT count(*) FROM Alumnos WHERE Nombre = 'Ana'"), 2);
}

TEST_F(DatabaseTest, AWriteTransactionIsAllOrNothing) {
    {
        Connection db = Console();
        db.AddStudent(Student("12345678"));
        db.AppendAccess({"12345678", "15/07/2014", "10:00:00", "3"});
    }
    try {
        Connection db = Console();
        WriteTransaction transaction(db);
        db.DeleteAccesses("12345678");
        db.DeleteStudent("99999999");  // gone: the whole change must be undone
        transaction.Commit();
        FAIL() << "deleting a missing student succeeded";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.Code(), kNoCurrentRow);
    }
    EXPECT_EQ(Count(file, "SELECT count(*) FROM Picadas"), 1);

    Connection db = Console();
    WriteTransaction transaction(db);
    db.DeleteAccesses("12345678");
    db.DeleteStudent("12345678");
    transaction.Commit();
    EXPECT_EQ(Count(file, "SELECT count(*) FROM Picadas"), 0);
    EXPECT_EQ(Count(file, "SELECT count(*) FROM Alumnos"), 0);
}
