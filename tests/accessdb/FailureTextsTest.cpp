// What a caretaker reads when the file fails: SQLite's code, and a Spanish description of what
// happened and what to do, for each failure users meet. Real files, folders and programs.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "ChildProcess.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/sqlite/SqliteSession.h"
#include "support/DatabaseFailure.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

extern char** environ;

using namespace accessdb;
namespace fs = std::filesystem;

namespace {

const AccessRecord kAccess{"12345678", "15/07/2014", "10:00:00", "3"};

struct Expected {
    int code;
    std::vector<std::string> phrases;  // each must be in the description
    std::vector<std::string> absent;   // none may be
};

void ExpectDescribed(const ChildOutcome& outcome, const Expected& expected) {
    EXPECT_EQ(outcome.code, expected.code) << outcome.output;
    for (const std::string& phrase : expected.phrases) {
        EXPECT_NE(outcome.output.find(phrase), std::string::npos)
            << "missing \"" << phrase << "\" in: " << outcome.output;
    }
    for (const std::string& phrase : expected.absent) {
        EXPECT_EQ(outcome.output.find(phrase), std::string::npos)
            << "unexpected \"" << phrase << "\" in: " << outcome.output;
    }
    // SQLite's own English text never reaches the user.
    EXPECT_EQ(outcome.output.find(sqlite3_errstr(expected.code)), std::string::npos)
        << outcome.output;
}

// A file or folder made wrong, and what the caretaker must read about it.
struct Case {
    const char* what;
    std::function<void()> prepare;
    Expected expected;
};

// What the action fails with, in this process.
ChildOutcome OutcomeOf(const std::function<void()>& action) {
    const DatabaseError error = Failure(action);
    return {error.Code(), error.Description()};
}

class FailureTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The child user must reach the files; TempFolder makes its folder private.
        fs::permissions(folder.Path(), fs::perms(0755));
        fs::create_directory(site);
    }
    // A folder made read-only must be removable again.
    void TearDown() override { Writable(site); }

    static void Writable(const fs::path& path) {
        std::error_code ec;
        fs::permissions(path, fs::perms(0755), ec);
    }
    void FreshSite() {
        Writable(site);
        fs::remove_all(site);
        fs::create_directory(site);
    }

    // The site's data folder with a registered student, owned by the user the child runs as.
    void RegisterAna() {
        Register(file, {Student("3")});
        HandToChildUser(site);
    }
    // What a program closing the file last leaves: no WAL or WAL index beside it.
    void CloseAsTheShellDoes() { ASSERT_EQ(Sql(file, "SELECT count(*) FROM Alumnos"), Rows{"1"}); }

    ChildOutcome Lookup() {
        return InChildProcess([this] {
            return Connection::Open(file, OpenMode::ExistingOnly).FindStudent("12345678")->nombre;
        });
    }
    ChildOutcome Append() {
        return InChildProcess([this] {
            Connection::Open(file, OpenMode::ExistingOnly).AppendAccess(kAccess);
            return std::string("appended");
        });
    }

    TempFolder folder;
    fs::path site = folder / "centro";
    fs::path file = site / "Alumnos.mdb";
};

}  // namespace

// Failures of the open itself: the file or folder is wrong, or this user may not use it.
TEST_F(FailureTextTest, OpenFailuresSayWhatIsWrongWithTheFileOrFolder) {
    const std::string folderText = "'" + site.string() + "'";
    const std::vector<Case> cases = {
        {"a folder named Alumnos.mdb",
         [&] { fs::create_directory(file); },
         {SQLITE_CANTOPEN, {"'Alumnos.mdb' es una carpeta", folderText}, {"No se encuentra"}}},
        {"a text file under the database's name",
         [&] { std::ofstream(file) << std::string(200, 'x'); },
         {SQLITE_NOTADB,
          {"'Alumnos.mdb'", "no es una base de datos", "copia de seguridad", "tarvo-admin restore"},
          {}}},
        {"a file this user may not read",
         [&] {
             RegisterAna();
             CloseAsTheShellDoes();
             fs::permissions(file, fs::perms::none);
         },
         {SQLITE_CANTOPEN, {"no tiene permiso para leer", "Pida al administrador"}, {}}},
        {"a lookup in a read-only folder whose WAL is gone",
         [&] {
             RegisterAna();
             CloseAsTheShellDoes();
             fs::permissions(site, fs::perms(0555));
         },
         {SQLITE_READONLY,
          {"No se puede abrir", folderText, "es de solo lectura para el usuario",
           "'Alumnos.mdb-wal'", "permiso de escritura en esa carpeta"},
          {"guardar"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreshSite();
        c.prepare();
        ExpectDescribed(Lookup(), c.expected);
    }
}

// A lookup that works, then a write that cannot: the description says the change was not
// saved, and why.
TEST_F(FailureTextTest, WriteFailuresSayWhyTheChangeWasNotSaved) {
    const std::vector<Case> cases = {
        {"a read-only file",
         [&] {
             RegisterAna();
             CloseAsTheShellDoes();
             fs::permissions(file, fs::perms(0444));
         },
         {SQLITE_READONLY,
          {"No se han podido guardar los cambios", "el archivo 'Alumnos.mdb' es de solo lectura",
           "se puede consultar", "permiso de escritura en ese archivo"},
          {}}},
        {"a read-only file made by hand, never completed by the programs",
         [&] {
             ASSERT_EQ(Sql(file,
                           "CREATE TABLE Alumnos (DNI INTEGER, Nombre TEXT, Apellido1 TEXT,"
                           " Apellido2 TEXT, Puerta TEXT, Agosto TEXT, Fin_de_semana TEXT,"
                           " Periodo_temporal TEXT, FechaA TEXT, FechaB TEXT);"
                           "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT,"
                           " Puerta TEXT);"
                           "INSERT INTO Alumnos (DNI, Nombre) VALUES (12345678, 'Ana')"),
                       Rows{});
             HandToChildUser(site);
             fs::permissions(file, fs::perms(0444));
         },
         {SQLITE_READONLY, {"el archivo 'Alumnos.mdb' es de solo lectura"}, {}}},
        {"a read-only folder with a file in rollback-journal mode",
         [&] {
             RegisterAna();
             ASSERT_EQ(Sql(file, "PRAGMA journal_mode = DELETE"), Rows{"delete"});
             HandToChildUser(site);
             fs::permissions(site, fs::perms(0555));
         },
         {SQLITE_READONLY,
          {"No se han podido guardar los cambios", "la carpeta '" + site.string() + "'",
           "es de solo lectura", "permiso de escritura en esa carpeta"},
          {"No se puede abrir", "-wal"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreshSite();
        c.prepare();
        const ChildOutcome lookup = Lookup();
        EXPECT_EQ(lookup.code, 0) << lookup.output;
        EXPECT_EQ(lookup.output, "Ana");
        ExpectDescribed(Append(), c.expected);
    }
}

// SQLite reports a full disk as it reports a file that reached its page limit.
TEST_F(FailureTextTest, AFullDiskIsNamedAsSuch) {
    Register(file, {Student()});
    Connection console = Connection::Open(file, OpenMode::CreateIfMissing);
    sqlite3* db = dynamic_cast<sqlite::SqliteSession&>(console.Session()).Handle();
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA max_page_count = 1; PRAGMA max_page_count", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    StudentRecord longName = Student();
    longName.dni = "87654321";
    longName.nombre = std::string(20000, 'a');  // needs pages the file may not have
    ExpectDescribed(OutcomeOf([&] { console.AddStudent(longName); }),
                    {SQLITE_FULL,
                     {"No se han podido guardar los cambios", "está lleno", "Libere espacio",
                      "'" + site.string() + "'"},
                     {}});
}

TEST_F(FailureTextTest, DamageAndMissingTablesAreNamed) {
    Register(file, {Student()});
    CloseAsTheShellDoes();
    const Rows root = Sql(file, "SELECT rootpage FROM sqlite_master WHERE name = 'Alumnos'");
    ASSERT_EQ(root.size(), 1u);
    {
        // Overwrite the table's page: the open still reads the schema, the lookup fails.
        std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
        bytes.seekp((std::stoll(root[0]) - 1) * 4096);
        bytes << std::string(4096, '\xA5');
    }
    Connection db = Connection::Open(file, OpenMode::ExistingOnly);
    ExpectDescribed(OutcomeOf([&] { db.FindStudent("12345678"); }),
                    {SQLITE_CORRUPT,
                     {"'Alumnos.mdb'", "está dañada", "copia de seguridad", "tarvo-admin restore"},
                     {}});

    ASSERT_EQ(Sql(file, "DROP TABLE Picadas"), Rows{});
    ExpectDescribed(OutcomeOf([&] { db.ListAccesses("12345678"); }),
                    {SQLITE_ERROR, {"no tiene la tabla Picadas", "Mireval"}, {"no such"}});
}

// Another program holds the write: after the busy timeout the description names it.
TEST_F(FailureTextTest, ALockedFileNamesTheProgramThatHoldsIt) {
    Register(file, {Student()});
    int input[2];
    int output[2];
    ASSERT_EQ(pipe(input), 0);
    ASSERT_EQ(pipe(output), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    std::string path = file.string();
    char shell[] = "sqlite3";
    char* argv[] = {shell, path.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawnp(&pid, "sqlite3", &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    const std::string begin = "BEGIN IMMEDIATE;\nSELECT 'ready';\n";
    ASSERT_EQ(write(input[1], begin.data(), begin.size()), static_cast<ssize_t>(begin.size()));
    char ready[16] = {};
    ASSERT_GT(read(output[0], ready, sizeof ready - 1), 0);
    ASSERT_STREQ(ready, "ready\n");

    const ChildOutcome outcome =
        OutcomeOf([&] { Connection::Open(file, OpenMode::ExistingOnly).AppendAccess(kAccess); });

    close(input[1]);  // the shell ends its session and rolls back
    close(output[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ExpectDescribed(outcome, {SQLITE_BUSY,
                              {"'Alumnos.mdb'", "está ocupada",
                               "el programa «sqlite3» (proceso " + std::to_string(pid) + ")",
                               "mientras este programa esperaba", "cierre ese programa"},
                              {}});
}
