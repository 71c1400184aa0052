// The embedded file as the programs open it: the journal mode, the files it refuses, and what a
// card leaves behind.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/FileKeeping.h"
#include "support/DatabaseFailure.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

using namespace accessdb;
namespace fs = std::filesystem;

namespace {

std::string Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// When the file was last written, and its size, read without opening it: closing any descriptor
// on the file would drop the locks this process holds on it.
std::string Written(const fs::path& file) {
    struct stat st {};
    stat(file.c_str(), &st);
    return std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + "/" +
           std::to_string(st.st_size);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The two tables as a school makes them with the sqlite3 shell, DNI typed as given.
std::string HandMadeTables(const std::string& alumnosDni, const std::string& picadasDni) {
    return "CREATE TABLE Alumnos (DNI " + alumnosDni +
           ", Nombre TEXT, Apellido1 TEXT, Apellido2 TEXT, Puerta TEXT, Agosto TEXT,"
           " Fin_de_semana TEXT, Periodo_temporal TEXT, FechaA TEXT, FechaB TEXT);"
           "CREATE TABLE Picadas (DNI " +
           picadasDni + ", Fecha TEXT, Hora TEXT, Puerta TEXT);";
}

std::string ShellCount(const fs::path& file, const std::string& table) {
    const std::string command =
        "sqlite3 '" + file.string() + "' 'SELECT count(*) FROM " + table + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> shell(popen(command.c_str(), "r"), pclose);
    char line[128] = {};
    return fgets(line, sizeof line, shell.get()) != nullptr ? std::string(line) : std::string();
}

class SqliteFileTest : public ::testing::Test {
  protected:
    Connection Console() { return Connection::Open(file, OpenMode::CreateIfMissing); }
    Connection Controller() { return Connection::Open(file, OpenMode::ExistingOnly); }

    // A file made with the shell whose first open by the programs was cut short after the
    // marker was written and before the journal was switched: it stays in rollback mode.
    void MakeInterruptedFile() {
        ASSERT_EQ(Sql(file, HandMadeTables("INTEGER", "INTEGER") +
                                "INSERT INTO Alumnos (DNI, Nombre, Puerta)"
                                " VALUES (12345678, 'Ana', '5');"
                                "CREATE INDEX Picadas_DNI ON Picadas (DNI);"
                                "PRAGMA user_version = 1;"
                                "PRAGMA journal_mode;"),
                  Rows{"delete"});
    }

    TempFolder folder;
    fs::path file = folder / "Alumnos.mdb";
};

}  // namespace

// Was: the marker made every later open skip the switch, and a console reading the file made
// every card's append wait 8 s and fail as locked.
TEST_F(SqliteFileTest, AnInterruptedFirstOpenIsSwitchedToWalByTheNextOpen) {
    MakeInterruptedFile();
    EXPECT_EQ(Controller().FindStudent("12345678")->nombre, "Ana");
    EXPECT_EQ(Sql(file, "PRAGMA journal_mode"), Rows{"wal"});

    // The console reading the file: one read transaction, open until it is closed.
    sqlite3* console = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &console), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closing(console, sqlite3_close);
    ASSERT_EQ(
        sqlite3_exec(console, "BEGIN; SELECT count(*) FROM Alumnos", nullptr, nullptr, nullptr),
        SQLITE_OK);
    EXPECT_EQ(Failure([&] {
                  Controller().AppendAccess({"12345678", "15/07/2014", "10:00:00", "5"});
              }).Description(),
              "");
    // In rollback mode the append could not have committed while the reader still reads.
    EXPECT_EQ(sqlite3_get_autocommit(console), 0);
    EXPECT_EQ(Sql(file, "SELECT count(*) FROM Picadas"), Rows{"1"});
}

// Each file is refused by the open that is shown, with its description, and left exactly as it
// was: same bytes, no journal or WAL beside it.
TEST_F(SqliteFileTest, FilesThatAreNotADatabaseOfNumberedStudentsAreRefusedUntouched) {
    struct Case {
        const char* what;
        std::string statements;  // run with the shell's defaults; empty: a 0-byte file
        OpenMode mode;
        int code;
        std::vector<std::string> phrases;
    };
    const std::vector<Case> cases = {
        {"a spreadsheet imported with DNI as TEXT",
         HandMadeTables("TEXT", "INTEGER") + "INSERT INTO Alumnos (DNI) VALUES ('01234567')",
         OpenMode::CreateIfMissing,
         kStoredDniNotANumber,
         {"columna DNI de la tabla Alumnos", "texto (TEXT)", "DNI INTEGER", "No se ha modificado"}},
        {"the same file at the controller",
         HandMadeTables("TEXT", "INTEGER"),
         OpenMode::ExistingOnly,
         kStoredDniNotANumber,
         {"tabla Alumnos", "texto"}},
        {"access history keyed by text",
         HandMadeTables("INTEGER", "VARCHAR(8)"),
         OpenMode::CreateIfMissing,
         kStoredDniNotANumber,
         {"tabla Picadas", "VARCHAR(8)"}},
        {"an untyped DNI column holding a text",
         HandMadeTables("", "INTEGER") + "INSERT INTO Alumnos (DNI) VALUES (7654321), ('01234567')",
         OpenMode::CreateIfMissing,
         kStoredDniNotANumber,
         {"tabla Alumnos", "«01234567»", "CAST(DNI AS INTEGER)"}},
        {"an empty file at the controller",
         "",
         OpenMode::ExistingOnly,
         SQLITE_NOTADB,
         {"'Alumnos.mdb'", "vacío (0 bytes)", "No se ha modificado", "Mireval"}},
        {"a database without Picadas at the controller",
         "CREATE TABLE Alumnos (DNI INTEGER, Nombre TEXT)",
         OpenMode::ExistingOnly,
         kTablesMissing,
         {"no tiene la tabla Picadas", "No se ha modificado", "Mireval"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(file);
        if (c.statements.empty()) {
            std::ofstream{file};
        } else {
            ASSERT_EQ(Sql(file, c.statements), Rows{});
        }
        const std::string before = Bytes(file);
        const DatabaseError error = Failure([&] { Connection::Open(file, c.mode); });
        EXPECT_EQ(error.Code(), c.code);
        EXPECT_EQ(error.Kind(), FailureKind::Damaged);  // not what the programs use
        for (const std::string& phrase : c.phrases) {
            EXPECT_TRUE(Contains(error.Description(), phrase)) << error.Description();
        }
        EXPECT_EQ(Bytes(file), before);
        for (const char* side : {"-journal", "-wal", "-shm"}) {
            EXPECT_FALSE(fs::exists(file.string() + side)) << side;
        }
    }
}

// The description's advice works: the console completes an empty file, and the controller then
// finds what the console registers.
TEST_F(SqliteFileTest, TheConsoleMakesAnEmptyFileADatabase) {
    std::ofstream{file};
    Console().AddStudent(Student());
    EXPECT_EQ(Controller().FindStudent("12345678")->nombre, "Ana");
}

// Tables made by hand whose columns hold numbers, whatever their declared type, work as before;
// the open adds the lookups' indexes.
TEST_F(SqliteFileTest, HandMadeTablesWhoseDnisAreNumbersAreAccepted) {
    for (const char* type : {"INTEGER", "", "NUMERIC", "BIGINT"}) {
        SCOPED_TRACE(type);
        fs::remove(file);
        ASSERT_EQ(
            Sql(file, HandMadeTables(type, type) +
                          "INSERT INTO Alumnos (DNI, Nombre, Puerta) VALUES (1234567, 'Ana', '5')"),
            Rows{});
        Connection db = Controller();
        const StudentRecord ana = db.FindStudent("01234567").value();
        EXPECT_EQ(ana.nombre + "|" + ana.puerta + "|" + ana.agosto, "Ana|5|");  // NULL reads empty
        db.AppendAccess({"01234567", "15/07/2014", "10:00:00", "3"});
        EXPECT_EQ(db.ListAccesses("01234567").size(), 1u);
        EXPECT_EQ(Sql(file,
                      "SELECT count(*) FROM sqlite_master"
                      " WHERE name IN ('Picadas_DNI', 'Alumnos_DNI')"),
                  Rows{"2"});
    }
}

// While a program runs, a card's connection leaves the WAL and its index in place (no
// checkpoint, no files deleted and made again at every card), every row stays visible to other
// programs, and the WAL is emptied as it grows. Once the program ends, the file alone holds
// every row: the last program to close folds the WAL into it and removes it.
// Was: the WAL stayed beside the file with every program closed, so a copy of the file alone
// held no student, and a backup copied over it had the old WAL replayed onto it.
TEST_F(SqliteFileTest, CardsKeepTheWalWhileTheProgramRunsAndTheFileIsWholeOnceItEnds) {
    const int cards = 300;
    {
        const KeepDatabaseFilesOpen program;
        Console().AddStudent(Student());
        const auto card = [&] {
            Connection db = Controller();
            db.FindStudent("12345678");
            db.AppendAccess({"12345678", "15/07/2014", "10:00:00", "3"});
        };
        card();
        const std::string wal = file.string() + "-wal";
        ASSERT_TRUE(fs::exists(wal));
        ASSERT_TRUE(fs::exists(file.string() + "-shm"));
        struct stat walBefore {};
        ASSERT_EQ(stat(wal.c_str(), &walBefore), 0);
        const std::string fileBefore = Written(file);

        card();
        EXPECT_EQ(Written(file), fileBefore) << "the card's close checkpointed";

        for (int i = 0; i < cards; ++i) {
            card();
        }
        struct stat walAfter {};
        ASSERT_EQ(stat(wal.c_str(), &walAfter), 0);
        EXPECT_EQ(walAfter.st_ino, walBefore.st_ino) << "the WAL was deleted and made again";
        // A few dozen pages at most: checkpointed and emptied as it grows.
        EXPECT_LT(walAfter.st_size, 100 * (4096 + 24));
        EXPECT_NE(Written(file), fileBefore) << "nothing was ever checkpointed";
        // Another program reads every row meanwhile, and its close leaves the WAL in place.
        EXPECT_EQ(ShellCount(file, "Picadas"), std::to_string(cards + 2) + "\n");
        EXPECT_TRUE(fs::exists(wal));
    }
    for (const char* side : {"-wal", "-shm", "-journal"}) {
        EXPECT_FALSE(fs::exists(file.string() + side)) << side;
    }
    // The file copied alone, as a school copies it with every program closed.
    TempFolder elsewhere;
    fs::copy_file(file, elsewhere / "Alumnos.mdb");
    EXPECT_EQ(ShellCount(elsewhere / "Alumnos.mdb", "Picadas"), std::to_string(cards + 2) + "\n");
    EXPECT_EQ(ShellCount(elsewhere / "Alumnos.mdb", "Alumnos"), "1\n");
}
