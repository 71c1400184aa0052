// A damaged or replaced database file as an administrator meets it: tarvo-admin check on a file
// with a damaged page, and tarvo-admin restore of a backup over a file that a program left with
// its write-ahead log, while a program holds it, and from files that are no backup.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "support/StudentDatabase.h"

namespace fs = std::filesystem;

using ::testing::HasSubstr;

namespace {

constexpr const char* kAna = "10000001";

// Another program with the file open, as a separate process: it opens the file, reads it, and
// then either ends without closing anything (a program killed) or stays until told to go.
class OtherProgram {
  public:
    // Appends `accesses` accesses of Ana first, each in a commit of its own.
    OtherProgram(const fs::path& file, int accesses, bool killed) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(m_release) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            close(m_release[1]);  // so that the lead's close is seen as the end
            sqlite3* db = nullptr;
            sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
            sqlite3_exec(db, "SELECT count(*) FROM Alumnos", nullptr, nullptr, nullptr);
            for (int i = 0; i < accesses; ++i) {
                sqlite3_exec(db,
                             "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta)"
                             " VALUES (10000001, ' 1/12/2026', '09:00:00', '2')",
                             nullptr, nullptr, nullptr);
            }
            [[maybe_unused]] const ssize_t told = write(ready[1], "x", 1);
            if (!killed) {
                char byte = 0;
                [[maybe_unused]] const ssize_t got = read(m_release[0], &byte, 1);
            }
            _exit(0);  // nothing closed: the log stays as a killed program leaves it
        }
        close(ready[1]);
        close(m_release[0]);
        char byte = 0;
        [[maybe_unused]] const ssize_t got = read(ready[0], &byte, 1);
        close(ready[0]);
        if (killed) {
            Wait();
        }
    }
    ~OtherProgram() { Wait(); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    pid_t Pid() const { return m_pid; }

    void Wait() {
        if (m_pid > 0) {
            close(m_release[1]);
            waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
    }

  private:
    pid_t m_pid = 0;
    int m_release[2] = {-1, -1};
};

class FileRecovery : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(Sql(database,
                      "CREATE TABLE Alumnos (DNI INTEGER PRIMARY KEY, Nombre TEXT, Apellido1 "
                      "TEXT, Apellido2 TEXT, Puerta TEXT, Agosto TEXT, Fin_de_semana TEXT, "
                      "Periodo_temporal TEXT, FechaA TEXT, FechaB TEXT);"
                      "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT, Puerta TEXT);"
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                      "200) INSERT INTO Alumnos SELECT 10000000 + i, 'Alumno ' || i, 'Gil', '', "
                      "'2', '0', '0', '0', '', '' FROM n;"
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                      "4000) INSERT INTO Picadas SELECT 10000002 + i % 199, ' 1/12/2026', "
                      "'08:00:00', '2' FROM n;"
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
                      "20) INSERT INTO Picadas SELECT 10000001, ' 1/12/2026', '08:00:00', '2' "
                      "FROM n;"),
                  Rows{});
        // The programs' first open adds the index and WAL mode.
        accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
    }

    AdminRun Admin(const std::string& arguments) {
        return RunAdminProgram(
            arguments, "cd " + ShellQuoted(folder.Path().string()) + " && env -u TARVO_DATABASE");
    }

    // Ana's accesses read through the index the history uses, and by a scan of the table.
    Rows AnasAccesses() {
        const std::string ana = std::string(" WHERE DNI = ") + kAna;
        return Sql(database, "SELECT count(*) FROM Picadas INDEXED BY Picadas_DNI" + ana +
                                 "; SELECT count(*) FROM Picadas NOT INDEXED" + ana);
    }

    // Noise over part of a page deep in the file, as a failing disk leaves it.
    static void Damage(const fs::path& file) {
        std::fstream(file, std::ios::in | std::ios::out | std::ios::binary).seekp(4096 * 5 + 200)
            << std::string(300, '#');
    }

    TempFolder folder;
    fs::path database = folder / "Alumnos.mdb";
};

}  // namespace

// Was: the programs left the log beside the file, a backup copied over the file had it replayed
// onto it (21 problems, Ana with 40 accesses by a scan and 20 through the index), and there was
// no command to put a backup in place.
TEST_F(FileRecovery, RestoreOverAFileWhoseLogAKilledProgramLeftGivesTheBackupExactly) {
    ASSERT_EQ(Admin("backup copia.mdb").exitCode, 0);
    { const OtherProgram killed(database, 20, true); }
    ASSERT_TRUE(fs::exists(database.string() + "-wal")) << "the killed program left no log";

    const AdminRun restore = Admin("restore copia.mdb");
    ASSERT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_THAT(restore.out, HasSubstr("200 alumnos, 4020 accesos y 0 intentos"));
    EXPECT_EQ(AnasAccesses(), (Rows{"20", "20"}));
    const AdminRun check = Admin("check");
    EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
    EXPECT_THAT(check.out, HasSubstr("Integridad: correcta."));
    for (const char* side : {"-wal", "-shm", "-journal"}) {
        EXPECT_FALSE(fs::exists(database.string() + side)) << side;
    }

    // The file it replaced is kept whole, the killed program's accesses folded into it.
    fs::path aside;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("Alumnos.mdb.antes-de-restaurar-") && !name.ends_with("-wal") &&
            !name.ends_with("-shm")) {
            aside = entry.path();
        }
    }
    ASSERT_FALSE(aside.empty()) << restore.out;
    EXPECT_THAT(restore.out, HasSubstr(aside.filename().string()));
    EXPECT_FALSE(fs::exists(aside.string() + "-wal"));
    EXPECT_EQ(Sql(aside, std::string("SELECT count(*) FROM Picadas WHERE DNI = ") + kAna),
              Rows{"40"});

    // A second restore within the same second keeps both replaced files.
    ASSERT_EQ(Admin("restore copia.mdb").exitCode, 0);
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        kept += entry.path().filename().string().starts_with("Alumnos.mdb.antes-de-") ? 1 : 0;
    }
    EXPECT_EQ(kept, 2);
}

// A program still using the file would go on with the old one: the restore waits for it to go.
TEST_F(FileRecovery, RestoreIsRefusedWhileAProgramHoldsTheFileAndNamesIt) {
    ASSERT_EQ(Admin("backup copia.mdb").exitCode, 0);
    OtherProgram running(database, 1, false);
    const std::string before = ReadWhole(database);

    const AdminRun refused = Admin("restore copia.mdb");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("(proceso " + std::to_string(running.Pid()) + ")"));
    EXPECT_THAT(refused.err, HasSubstr("Cierre Tarvo y Mireval"));
    EXPECT_EQ(ReadWhole(database), before);

    running.Wait();
    EXPECT_EQ(Admin("restore copia.mdb").exitCode, 0);
    EXPECT_EQ(AnasAccesses(), (Rows{"20", "20"}));
}

TEST_F(FileRecovery, RestoreRefusesWhatIsNoBackupAndLeavesTheFile) {
    WriteFile(folder / "notas.mdb", "no es una base de datos\n");
    ASSERT_EQ(Admin("backup copia.mdb").exitCode, 0);
    Damage(folder / "copia.mdb");
    const std::string before = ReadWhole(database);
    struct Case {
        const char* copy;
        const char* phrase;
    };
    for (const Case& c : {Case{"notas.mdb", "no es una copia de la base de datos"},
                          Case{"copia.mdb", "está dañada"},
                          Case{"no-existe.mdb", "No se encuentra la copia de seguridad"},
                          Case{"Alumnos.mdb", "es la propia base de datos"}}) {
        SCOPED_TRACE(c.copy);
        const AdminRun refused = Admin(std::string("restore ") + c.copy);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_THAT(refused.err, HasSubstr(c.phrase));
        EXPECT_THAT(refused.err, HasSubstr("No se ha cambiado la base de datos."));
        EXPECT_EQ(ReadWhole(database), before);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 3)
        << "something was left beside the database";
}

// Was: check exited 1 with its advice but listed none of the problems SQLite's own check
// reports on a page overwritten with noise.
TEST_F(FileRecovery, CheckListsEveryProblemTheEngineReports) {
    Damage(database);
    Rows engine = Sql(database, "PRAGMA integrity_check");
    ASSERT_FALSE(engine.empty());
    std::vector<std::string> expected;
    for (const std::string& row : engine) {
        std::istringstream lines(row);
        for (std::string line; std::getline(lines, line);) {
            if (!line.starts_with("*** in database") && line != "ok") {
                expected.push_back(line);
            }
        }
    }
    ASSERT_GE(expected.size(), 3u);

    const AdminRun check = Admin("check");
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_THAT(check.out,
                HasSubstr("Integridad: " + std::to_string(expected.size()) + " problemas"));
    for (const std::string& problem : expected) {
        EXPECT_THAT(check.out, HasSubstr("  " + problem + "\n")) << problem;
    }
    EXPECT_THAT(check.err, HasSubstr("tarvo-admin restore"));
}
