// The administrator's bulk jobs (tarvo-admin's interface to the tables) on both engines: the
// same answers, all-or-nothing changes, days compared as days.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

#include "Sites.h"
#include "accessdb/AdminTables.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/SchemaVersion.h"
#include "support/DatabaseFailure.h"

using namespace accessdb;
using namespace testsites;

namespace {

StudentRecord Pupil(std::string dni, std::string nombre, std::string puerta = "1,3,") {
    return {std::move(dni),
            std::move(nombre),
            "Pérez",
            "Gil",
            std::move(puerta),
            "0",
            "1",
            "0",
            "",
            ""};
}

AttemptRecord Attempt(std::string dni, std::string fecha, std::string hora = "09:00:00") {
    return {std::move(dni), std::move(fecha),       std::move(hora), "3", "p",
            kOutcomeDenied, kReasonDoorNotPermitted};
}

std::string Line(const AccessRecord& a) { return a.dni + " " + a.fecha + " " + a.hora; }
std::string Line(const AttemptRecord& a) { return a.dni + " " + a.fecha + " " + a.hora; }

class AdminJobs : public ::testing::TestWithParam<Engine> {
  protected:
    Connection Console() { return Connection::Open(site->Location(), OpenMode::CreateIfMissing); }
    std::unique_ptr<AdminTables> Admin() {
        return OpenAdminTables(site->Location(), OpenMode::CreateIfMissing);
    }
    Rows Counts() const {
        return site->Run(
            "SELECT (SELECT count(*) FROM Alumnos) || '/' || (SELECT count(*) FROM Picadas)"
            " || '/' || (SELECT count(*) FROM Intentos)");
    }
    std::vector<std::string> Accesses(AdminTables& admin, const std::string& from,
                                      const std::string& to) {
        std::vector<std::string> lines;
        admin.ForEachAccess(from, to, [&](const AccessRecord& a) { lines.push_back(Line(a)); });
        return lines;
    }
    std::vector<std::string> Attempts(AdminTables& admin, const std::string& from,
                                      const std::string& to) {
        std::vector<std::string> lines;
        admin.ForEachAttempt(from, to, [&](const AttemptRecord& a) { lines.push_back(Line(a)); });
        return lines;
    }

    std::unique_ptr<Site> site = GetParam().make();
};

}  // namespace

TEST_P(AdminJobs, ASoundDatabaseReportsItsVersionAndNoProblem) {
    auto admin = Admin();
    EXPECT_EQ(admin->SchemaVersion(), kSchemaVersion);
    EXPECT_EQ(admin->CheckIntegrity(), std::vector<std::string>{});
    // Rows no day range reaches are reported, not hidden.
    Console().AppendAccess({"12345678", "5/3/2024", "09:00:00", "3"});
    Console().AppendAttempt(Attempt("12345678", "ayer"));
    const std::vector<std::string> problems = admin->CheckIntegrity();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("1 acceso(s)"), std::string::npos) << problems[0];
    EXPECT_NE(problems[1].find("1 intento(s)"), std::string::npos) << problems[1];
}

TEST_P(AdminJobs, ImportAddsNewStudentsAndReplacesOnlyWhenAskedAllOrNothing) {
    auto admin = Admin();
    admin->ImportStudents({Pupil("12345678", "Ana"), Pupil("01234567", "Íñigo", "8")}, false);
    EXPECT_EQ(Console().FindStudent("01234567")->nombre, "Íñigo");
    // Every column as given, not the console's defaults.
    const StudentRecord ana = Console().FindStudent("12345678").value();
    EXPECT_EQ(ana.puerta + "|" + ana.finDeSemana + "|" + ana.apellido2, "1,3,|1|Gil");

    // A DNI already there fails the chunk, naming it; nothing of the chunk is written.
    const DatabaseError duplicate = Failure([&] {
        admin->ImportStudents({Pupil("87654321", "Luis"), Pupil("01234567", "Otro")}, false);
    });
    EXPECT_EQ(duplicate.Code(), kDuplicateKey);
    EXPECT_NE(duplicate.Description().find("01234567"), std::string::npos)
        << duplicate.Description();
    EXPECT_EQ(Counts(), Rows{"2/0/0"});
    EXPECT_EQ(Console().FindStudent("01234567")->nombre, "Íñigo");

    // A DNI that is not eight digits: the same.
    EXPECT_EQ(CodeOf([&] {
                  admin->ImportStudents({Pupil("87654321", "Luis"), Pupil("1234567a", "X")}, true);
              }),
              kInvalidDni);
    EXPECT_EQ(Counts(), Rows{"2/0/0"});

    // With update, existing students take all nine columns; new ones are added.
    StudentRecord changed = Pupil("01234567", "Íñigo", "2,8");
    changed.periodoTemporal = "1";
    changed.fechaA = "01/03/24";
    changed.fechaB = "31/03/24";
    admin->ImportStudents({changed, Pupil("87654321", "Luis")}, true);
    const StudentRecord back = Console().FindStudent("01234567").value();
    EXPECT_EQ(back.puerta + "|" + back.periodoTemporal + "|" + back.fechaA + "|" + back.fechaB,
              "2,8|1|01/03/24|31/03/24");
    EXPECT_EQ(Counts(), Rows{"3/0/0"});

    // Inside the caller's write the chunk joins it: nothing stays when the caller rolls back.
    {
        Transaction caller(admin->Transactions(), TransactionKind::Write);
        admin->ImportStudents({Pupil("11111111", "Eva")}, false);
    }
    EXPECT_EQ(Counts(), Rows{"3/0/0"});

    // More students than one statement of the server takes.
    std::vector<StudentRecord> many;
    for (int i = 0; i < 2500; ++i) {
        many.push_back(Pupil(std::to_string(20000000 + i), "N" + std::to_string(i)));
    }
    admin->ImportStudents(many, false);
    EXPECT_EQ(Counts(), Rows{"2503/0/0"});
    EXPECT_EQ(Console().FindStudent("20002499")->nombre, "N2499");
}

TEST_P(AdminJobs, APurgeTakesTheDaysBeforeTheBoundaryInShortChunksAndNeverAStudent) {
    Connection db = Console();
    db.AddStudent(Pupil("12345678", "Ana"));
    // Days out of order in the table; the boundary day and its neighbours; a leap day; a row
    // whose date cannot be read, which no purge may take.
    const std::vector<std::string> days = {"28/02/2024", " 1/03/2024", "29/02/2024", " 2/03/2024",
                                           "31/12/2023", "29/02/2024", "5/3/2024",   "15/03/2024",
                                           " 1/03/2024", "28/02/2024", "28/02/2024"};
    for (std::size_t i = 0; i < days.size(); ++i) {
        const std::string hora = "09:00:" + std::string(i < 10 ? "0" : "") + std::to_string(i);
        db.AppendAccess({"12345678", days[i], hora, "3"});
        db.AppendAttempt(Attempt("12345678", days[i], hora));
    }
    auto admin = Admin();
    EXPECT_EQ(CodeOf([&] { admin->PurgeChunk("2024-3-1", 10); }), kInvalidDay);
    EXPECT_EQ(CodeOf([&] { admin->PurgeChunk("", 10); }), kInvalidDay);

    std::int64_t purged = 0;
    int chunks = 0;
    for (std::int64_t gone; (gone = admin->PurgeChunk("2024-03-01", 2)) > 0; ++chunks) {
        EXPECT_LE(gone, 2);
        purged += gone;
    }
    // Six old accesses and six old attempts, two rows a chunk.
    EXPECT_EQ(purged, 12);
    EXPECT_EQ(chunks, 6);
    const std::vector<std::string> kept = {
        "12345678  1/03/2024 09:00:01", "12345678  2/03/2024 09:00:03",
        "12345678 5/3/2024 09:00:06", "12345678 15/03/2024 09:00:07",
        "12345678  1/03/2024 09:00:08"};
    EXPECT_EQ(Accesses(*admin, "", ""), kept);
    EXPECT_EQ(Attempts(*admin, "", ""), kept);
    EXPECT_EQ(Counts(), Rows{"1/5/5"});
    // Nothing older is left: a purge again finds nothing, on a fresh object too.
    EXPECT_EQ(admin->PurgeChunk("2024-03-01", 100), 0);
    EXPECT_EQ(Admin()->PurgeChunk("2024-03-01", 100), 0);
    // A later boundary takes the boundary day.
    while (Admin()->PurgeChunk("2024-03-02", 1) > 0) {
    }
    EXPECT_EQ(Counts(), Rows{"1/3/3"});
}

TEST_P(AdminJobs, ExportsReadTheRowsOfADayRangeInTheOrderWritten) {
    Connection db = Console();
    std::vector<std::string> march, all;
    // More rows than one page of the server's reads.
    for (int i = 0; i < 1500; ++i) {
        const std::string fecha =
            i % 3 == 0 ? "29/02/2024" : (i % 3 == 1 ? " 1/03/2024" : " 9/03/2024");
        const std::string hora = std::to_string(10 + i / 100) + ":00:00";
        const std::string dni = std::to_string(10000000 + i);
        db.AppendAccess({dni, fecha, hora, "3"});
        all.push_back(dni + " " + fecha + " " + hora);
        if (i % 3 == 1) {
            march.push_back(all.back());
        }
    }
    db.AppendAccess({"12345678", "sin fecha", "10:00:00", "3"});
    all.push_back("12345678 sin fecha 10:00:00");
    for (int i = 0; i < 30; ++i) {
        db.AppendAttempt(Attempt("1234567" + std::to_string(i % 10),
                                 i < 10 ? "10/03/2024" : "11/03/2024",
                                 "10:00:" + std::to_string(10 + i)));
    }
    auto admin = Admin();
    EXPECT_EQ(Accesses(*admin, "", ""), all);
    EXPECT_EQ(Accesses(*admin, "2024-03-01", "2024-03-01"), march);
    EXPECT_EQ(Accesses(*admin, "2024-03-01", "2024-03-08"), march);
    EXPECT_EQ(Accesses(*admin, "", "2024-02-28").size(), 0u);
    EXPECT_EQ(Accesses(*admin, "2024-03-02", "").size(), 500u);
    EXPECT_EQ(Attempts(*admin, "2024-03-11", "").size(), 20u);
    EXPECT_EQ(Attempts(*admin, "", "2024-03-10").front(), "12345670 10/03/2024 10:00:10");
    EXPECT_EQ(CodeOf([&] { Accesses(*admin, "2024-02-30", ""); }), kInvalidDay);
    EXPECT_EQ(CodeOf([&] { Attempts(*admin, "", "mañana"); }), kInvalidDay);

    // The attempts in the order written, page after page.
    std::vector<std::string> paged;
    std::optional<std::int64_t> after;
    for (;;) {
        const std::vector<PositionedAttempt> page = admin->AttemptsAfter(after, 7);
        if (page.empty()) {
            break;
        }
        for (const PositionedAttempt& row : page) {
            paged.push_back(Line(row.attempt));
        }
        after = page.back().position;
    }
    EXPECT_EQ(paged, Attempts(*admin, "", ""));
    EXPECT_EQ(paged.size(), 30u);
}

TEST_P(AdminJobs, APersonsDataComesWholeAndIsErasedAllOrNothing) {
    Connection db = Console();
    db.AddStudent(Pupil("01234567", "Íñigo"));
    db.AddStudent(Pupil("87654321", "Luis"));
    for (const char* fecha : {" 5/03/2024", " 6/03/2024"}) {
        db.AppendAccess({"01234567", fecha, "09:00:00", "3"});
        db.AppendAccess({"87654321", fecha, "09:00:01", "3"});
        db.AppendAttempt(Attempt("01234567", fecha));
        db.AppendAttempt(Attempt("87654321", fecha));
    }
    db.AppendAttempt(Attempt("1234567", " 7/03/2024"));  // another card, not this student's
    auto admin = Admin();
    const PersonRecord person = admin->Person(1234567).value();
    EXPECT_TRUE(person.registered);
    EXPECT_EQ(person.student.dni + " " + person.student.nombre, "01234567 Íñigo");
    ASSERT_EQ(person.accesses.size(), 2u);
    EXPECT_EQ(Line(person.accesses[1]), "01234567  6/03/2024 09:00:00");
    ASSERT_EQ(person.attempts.size(), 2u);
    EXPECT_EQ(Line(person.attempts[0]), "01234567  5/03/2024 09:00:00");
    EXPECT_FALSE(admin->Person(11111111));

    // A fault at the last step leaves everything as it was.
    const Rows before = Counts();
    site->FailOn("Alumnos", "DELETE");
    const DatabaseError failed = Failure([&] { admin->Erase(1234567); });
    EXPECT_NE(failed.Code(), 0);
    EXPECT_NE(failed.Code(), kNoCurrentRow);
    EXPECT_EQ(Counts(), before);
    EXPECT_EQ(admin->Person(1234567)->attempts.size(), 2u);
    site->ClearFaults();

    EXPECT_TRUE(admin->Erase(1234567));
    EXPECT_EQ(Counts(), Rows{"1/2/3"});
    EXPECT_FALSE(admin->Person(1234567));
    EXPECT_FALSE(admin->Erase(1234567));
    EXPECT_EQ(admin->Person(87654321)->accesses.size(), 2u);

    // The console's delete keeps the attempts: the person is still found, and erased.
    {
        Transaction deleting = db.Write();
        db.DeleteAccesses("87654321");
        db.DeleteStudent("87654321");
        deleting.Commit();
    }
    const PersonRecord left = admin->Person(87654321).value();
    EXPECT_FALSE(left.registered);
    EXPECT_EQ(left.student.dni, "87654321");
    EXPECT_EQ(left.attempts.size(), 2u);
    admin->Erase(87654321);
    EXPECT_EQ(Counts(), Rows{"0/0/1"});
}

INSTANTIATE_TEST_SUITE_P(Engines, AdminJobs, BothEngines(), EngineName);

// The server's refusal (use pg_dump) is checked through tarvo-admin on the real server.
TEST(AdminJobsOnAFile, ABackupIsAConsistentCopyTakenWhileAStationWrites) {
    FileSite site;
    Connection db = Connection::Open(site.File(), OpenMode::CreateIfMissing);
    db.AddStudent(Pupil("12345678", "Ana"));
    auto admin = OpenAdminTables(site.File(), OpenMode::ExistingOnly);
    TempFolder folder;
    const std::filesystem::path copy = folder / "copia.mdb";
    for (int i = 0; i < 2000; ++i) {
        db.AppendAttempt(Attempt("12345678", " 5/03/2024", "09:00:00"));
    }
    // A station appends an access and an attempt per card meanwhile.
    std::atomic<bool> stop = false;
    auto station = std::async(std::launch::async, [&] {
        int cards = 0;
        while (!stop) {
            Connection card = Connection::Open(site.File(), OpenMode::ExistingOnly);
            Transaction both = card.Write();  // so that a moment of the file holds both or neither
            card.AppendAccess({"12345678", " 5/03/2024", "10:00:00", "3"});
            card.AppendAttempt(Attempt("12345678", " 5/03/2024", "10:00:00"));
            both.Commit();
            ++cards;
        }
        return cards;
    });
    while (site.Run("SELECT count(*) FROM Picadas") == Rows{"0"}) {
        std::this_thread::yield();
    }
    admin->Backup(copy);
    stop = true;
    EXPECT_GT(station.get(), 0);
    // The copy stands alone, is sound and holds one moment of the file: every card's two rows.
    EXPECT_FALSE(std::filesystem::exists(copy.string() + "-wal"));
    EXPECT_EQ(Sql(copy, "PRAGMA journal_mode"), Rows{"delete"});
    EXPECT_EQ(Sql(copy, "PRAGMA integrity_check"), Rows{"ok"});
    EXPECT_EQ(Sql(copy,
                  "SELECT (SELECT count(*) FROM Picadas) + 2000 ="
                  " (SELECT count(*) FROM Intentos)"),
              Rows{"1"});
    EXPECT_EQ(OpenAdminTables(copy, OpenMode::ExistingOnly)->SchemaVersion(), kSchemaVersion);

    // An existing file is never written over.
    const Rows inCopy = Sql(copy, "SELECT count(*) FROM Intentos");
    EXPECT_EQ(Failure([&] { admin->Backup(copy); }).Code(), kTargetNotEmpty);
    EXPECT_EQ(Sql(copy, "SELECT count(*) FROM Intentos"), inCopy);
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".copia-"), std::string::npos)
            << "a temporary copy was left: " << entry.path();
    }
}

// An erase killed at any moment (a power cut, a kill of the command) leaves the person's data
// whole or gone, never part of it, and the file sound.
TEST(AdminJobsOnAFile, AnEraseKilledAtAnyMomentLeavesAllOrNothing) {
    FileSite base;
    {
        Connection db = Connection::Open(base.File(), OpenMode::CreateIfMissing);
        db.AddStudent(Pupil("12345678", "Ana"));
        db.AddStudent(Pupil("87654321", "Luis"));
    }
    ASSERT_EQ(base.Run("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                       " WHERE i < 20000)"
                       " INSERT INTO Picadas (DNI, Fecha, Hora, Puerta)"
                       " SELECT 12345678, ' 5/03/2024', '09:00:00', '3' FROM n;"
                       "INSERT INTO Intentos (DNI, Fecha, Hora, Puerta, Resultado)"
                       " SELECT printf('%08d', DNI), Fecha, Hora, Puerta, 'concedido'"
                       " FROM Picadas;"
                       "PRAGMA wal_checkpoint(TRUNCATE)"),
              Rows{"0|0|0"});
    const auto held = [](const std::filesystem::path& file) {
        return Sql(file,
                   "SELECT (SELECT count(*) FROM Alumnos WHERE DNI = 12345678) || '/' ||"
                   " (SELECT count(*) FROM Picadas WHERE DNI = 12345678) || '/' ||"
                   " (SELECT count(*) FROM Intentos WHERE DNI = '12345678') || '/' ||"
                   " (SELECT count(*) FROM Alumnos)");
    };
    int killedMidway = 0;
    int finished = 0;
    // The last one is not killed: the erase done.
    for (const int delayMs : {0, 20, 50, 100, 200, 300, -1}) {
        SCOPED_TRACE(delayMs);
        TempFolder folder;
        const std::filesystem::path file = folder / "Alumnos.mdb";
        std::filesystem::copy_file(base.File(), file);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                OpenAdminTables(file, OpenMode::ExistingOnly)->Erase(12345678);
            } catch (...) {
                _exit(2);
            }
            _exit(0);
        }
        if (delayMs >= 0) {
            usleep(static_cast<useconds_t>(delayMs) * 1000);
            kill(child, SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
        const Rows now = held(file);
        if (WIFEXITED(status)) {
            ++finished;
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(now, Rows{"0/0/0/1"});
        } else {
            EXPECT_TRUE(now == Rows{"1/20000/20000/2"} || now == Rows{"0/0/0/1"}) << now.at(0);
            killedMidway += now == Rows{"1/20000/20000/2"} ? 1 : 0;
        }
        EXPECT_EQ(Sql(file, "PRAGMA integrity_check"), Rows{"ok"});
    }
    // The kills fell before and after the commit, not only on one side of it.
    EXPECT_GT(killedMidway, 0);
    EXPECT_GT(finished, 0);
}
