// What every storage engine promises its callers, checked on both: the SQLite file in a temp
// folder and a schema of its own on the test run's PostgreSQL server.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>

#include "Sites.h"
#include "TestServer.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "support/DatabaseFailure.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

using namespace accessdb;
using namespace std::chrono_literals;
using namespace testsites;

namespace {

StudentRecord WithDni(std::string dni, std::string nombre = "Ana") {
    StudentRecord student = Student("1,3,");
    student.dni = std::move(dni);
    student.nombre = std::move(nombre);
    return student;
}

AccessRecord Access(std::string dni, std::string fecha, std::string hora, std::string puerta) {
    return {std::move(dni), std::move(fecha), std::move(hora), std::move(puerta)};
}

class StorageContract : public ::testing::TestWithParam<Engine> {
  protected:
    Connection Console() { return Connection::Open(site->Location(), OpenMode::CreateIfMissing); }
    Connection Controller() { return Connection::Open(site->Location(), OpenMode::ExistingOnly); }
    Rows Counts() const {
        return site->Run(
            "SELECT (SELECT count(*) FROM Alumnos) || '/' ||"
            " (SELECT count(*) FROM Picadas)");
    }

    std::unique_ptr<Site> site = GetParam().make();
};

}  // namespace

TEST_P(StorageContract, MissingRowsAnswerNoneAndDuplicatesAreTold) {
    Connection db = Console();
    EXPECT_FALSE(db.FindStudent("12345678"));
    EXPECT_TRUE(db.ListAccesses("12345678").empty());
    EXPECT_EQ(db.DeleteAccesses("12345678"), 0u);
    EXPECT_FALSE(db.SaveStudent(Student()));
    EXPECT_FALSE(db.DeleteStudent("12345678"));

    // With the rows there, the same calls succeed, on this connection and on a controller's.
    db.AddStudent(Student());
    EXPECT_EQ(Failure([&] { db.AddStudent(Student()); }).Kind(), FailureKind::Duplicate);
    EXPECT_TRUE(db.SaveStudent(Student("5")));
    EXPECT_EQ(Controller().FindStudent("12345678")->puerta, "5");
    Controller().AppendAccess(Access("12345678", " 5/03/2024", "09:41:07", "5"));
    EXPECT_EQ(db.ListAccesses("12345678").size(), 1u);
    EXPECT_EQ(db.DeleteAccesses("12345678"), 1u);
    EXPECT_TRUE(db.DeleteStudent("12345678"));
    EXPECT_EQ(Counts(), Rows{"0/0"});
}

TEST_P(StorageContract, AStudentReadsBackAsWrittenWithTheTableDefaults) {
    Connection db = Console();
    StudentRecord added = WithDni("01234567", "Íñigo");
    added.apellido2 = "Gil'); DROP TABLE Alumnos;--";
    db.AddStudent(added);
    const StudentRecord fresh = db.FindStudent("01234567").value();
    EXPECT_EQ(fresh.dni, "01234567");
    EXPECT_EQ(fresh.nombre, "Íñigo");
    EXPECT_EQ(fresh.apellido2, added.apellido2);
    EXPECT_EQ(fresh.puerta + "|" + fresh.agosto + "|" + fresh.finDeSemana + "|" +
                  fresh.periodoTemporal + "|" + fresh.fechaA + "|" + fresh.fechaB,
              "|0|0|0||");

    const StudentRecord saved = {"01234567", "Íñigo", "Pérez", "Gil",      "1,2,3,4,5,6,7,8",
                                 "1",        "0",     "1",     "05/03/14", "31/12/14"};
    db.SaveStudent(saved);
    const StudentRecord back = Controller().FindStudent("01234567").value();
    EXPECT_EQ(std::tie(back.nombre, back.apellido1, back.apellido2, back.puerta, back.agosto,
                       back.finDeSemana, back.periodoTemporal, back.fechaA, back.fechaB),
              std::tie(saved.nombre, saved.apellido1, saved.apellido2, saved.puerta, saved.agosto,
                       saved.finDeSemana, saved.periodoTemporal, saved.fechaA, saved.fechaB));
    // The key stays a number in the table.
    EXPECT_EQ(site->Run("SELECT DNI + 1 FROM Alumnos"), Rows{"1234568"});
}

TEST_P(StorageContract, ADniThatIsNotEightDigitsChangesNothing) {
    Connection db = Console();
    db.AddStudent(WithDni("12345678"));
    db.AppendAccess(Access("12345678", " 5/03/2024", "09:41:07", "3"));
    const Rows before = Counts();
    for (const std::string& dni : std::vector<std::string>{
             "1 OR 1=1", "1234567", "123456789", "1234567a", "", "12345678; DELETE FROM Picadas",
             "0x123456", "-1234567", "１２３４５６７８", " 1234567", "1e7     ",
             std::string("1234\0"
                         "567",
                         8)}) {
        SCOPED_TRACE(dni);
        const std::vector<std::function<void()>> calls = {
            [&] { db.FindStudent(dni); },
            [&] { db.AddStudent(WithDni(dni)); },
            [&] { db.SaveStudent(WithDni(dni)); },
            [&] { db.DeleteStudent(dni); },
            [&] { db.ListAccesses(dni); },
            [&] { db.DeleteAccesses(dni); },
            [&] { db.AppendAccess(Access(dni, " 5/03/2024", "09:41:07", "3")); }};
        for (const auto& call : calls) {
            const DatabaseError error = Failure(call);
            EXPECT_EQ(error.Code(), kInvalidDni);
            EXPECT_NE(error.Description().find("ocho cifras"), std::string::npos);
        }
    }
    EXPECT_EQ(Counts(), before);
}

TEST_P(StorageContract, HistoryComesBackInTheOrderWritten) {
    Connection db = Console();
    std::vector<AccessRecord> ana, luis;
    // Neither date nor time sorts these: only the order of writing does.
    for (int i = 0; i < 24; ++i) {
        const std::string hora = "0" + std::to_string(9 - i % 10) + ":00:0" + std::to_string(i % 7);
        AccessRecord access =
            Access(i % 3 == 0 ? "87654321" : "12345678", std::to_string(28 - i) + "/02/2024", hora,
                   std::string(1, static_cast<char>('1' + i % 8)));
        Controller().AppendAccess(access);
        (i % 3 == 0 ? luis : ana).push_back(access);
    }
    const auto lines = [](const std::vector<AccessRecord>& accesses) {
        std::vector<std::string> rows;
        for (const AccessRecord& a : accesses) {
            rows.push_back(a.dni + " " + a.fecha + " " + a.hora + " " + a.puerta);
        }
        return rows;
    };
    EXPECT_EQ(lines(db.ListAccesses("12345678")), lines(ana));
    EXPECT_EQ(lines(db.ListAccesses("87654321")), lines(luis));
    db.DeleteAccesses("87654321");
    EXPECT_EQ(lines(db.ListAccesses("12345678")), lines(ana));
}

// A station's record with its key is written once: again with the same key it is refused as
// written, with nothing added; its key keeps the record's day for the purge.
TEST_P(StorageContract, ARecordWithAKeyIsWrittenOnce) {
    const AccessRecord access = Access("12345678", " 5/03/2024", "09:41:07", "5");
    const AttemptRecord attempt{"12345678", " 5/03/2024",    "09:41:07", "5",
                                "p1",       kOutcomeGranted, ""};
    Console();  // the console makes the tables
    for (int round = 0; round < 2; ++round) {
        Connection station = Controller();
        EXPECT_EQ(station.AppendAccessOnce("p1-7-1", access), round == 0);
        EXPECT_EQ(station.AppendAttemptOnce("p1-7-2", attempt), round == 0);
    }
    EXPECT_TRUE(Controller().AppendAccessOnce("p1-7-3", access));
    EXPECT_EQ(Counts(), Rows{"0/2"});
    EXPECT_EQ(site->Run("SELECT count(*) FROM Intentos"), Rows{"1"});
    EXPECT_EQ(site->Run("SELECT Clave || ' ' || Dia FROM Anotados ORDER BY Clave"),
              (Rows{"p1-7-1 2024-03-05", "p1-7-2 2024-03-05", "p1-7-3 2024-03-05"}));
}

// A station's report replaces its row and leaves the others'; the limit of working without the
// server reads its default until set, and a value that is not a number of hours as the default.
TEST_P(StorageContract, StationsReportTheirRowAndTheSiteKeepsItsLimit) {
    Connection console = Console();
    Connection station = Controller();
    station.ReportStation({"p2", "", "2026-12-07 08:00:00", "", 0, "2026-12-07 07:00:00"});
    station.ReportStation({"p1", "", "2026-12-07 08:00:00", "", 0, ""});
    station.ReportStation({"p1", "", "2026-12-07 09:00:00", "2026-12-07 08:30:00", 4, "c"});
    const std::vector<StationReport> stations = console.ListStations();
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(stations[0].nombre, "p1");
    EXPECT_EQ(stations[0].ultimoContacto + "|" + stations[0].sinServidorDesde + "|" +
                  std::to_string(stations[0].pendientes) + "|" + stations[0].copiaDe,
              "2026-12-07 09:00:00|2026-12-07 08:30:00|4|c");
    EXPECT_EQ(stations[1].copiaDe, "2026-12-07 07:00:00");
    EXPECT_FALSE(console.ForgetStation("p3"));

    EXPECT_EQ(station.OfflineLimitHours(), kDefaultOfflineHours);
    console.SetOfflineLimitHours(0);
    EXPECT_EQ(station.OfflineLimitHours(), 0);
    console.SetOfflineLimitHours(72);
    EXPECT_EQ(station.OfflineLimitHours(), 72);
    site->Run("UPDATE Ajustes SET Valor = 'un día' WHERE Nombre = 'horas_sin_servidor'");
    EXPECT_EQ(station.OfflineLimitHours(), kDefaultOfflineHours);

    console.AddStudent(WithDni("22345678", "Luis"));
    console.AddStudent(WithDni("02345678", "Ana"));
    const std::vector<StudentRecord> all = station.AllStudents();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].dni + all[0].nombre + all[1].dni, "02345678Ana22345678");
    EXPECT_EQ(all[1].nombre, "Luis");
}

TEST_P(StorageContract, AFaultInTheMiddleOfAChangeLeavesNothingOfIt) {
    Connection db = Console();
    db.AddStudent(WithDni("12345678"));
    for (int i = 0; i < 3; ++i) {
        db.AppendAccess(Access("12345678", " 5/03/2024", "09:41:0" + std::to_string(i), "3"));
    }
    site->FailOn("Alumnos", "DELETE");
    site->FailOn("Picadas", "INSERT");
    // The console's delete record: history, then the student, as one change.
    const int deleted = CodeOf([&] {
        Transaction transaction = db.Write();
        db.DeleteAccesses("12345678");
        db.DeleteStudent("12345678");
        transaction.Commit();
    });
    EXPECT_NE(deleted, 0);
    EXPECT_NE(deleted, kNoCurrentRow);
    // An add followed by a write that fails.
    const int added = CodeOf([&] {
        Transaction transaction = db.Write();
        db.AddStudent(WithDni("87654321"));
        db.AppendAccess(Access("87654321", " 5/03/2024", "10:00:00", "3"));
        transaction.Commit();
    });
    EXPECT_NE(added, 0);
    EXPECT_NE(added, kNoCurrentRow);
    EXPECT_EQ(Counts(), Rows{"1/3"});
    // The connection goes on working after the failed changes.
    EXPECT_EQ(db.ListAccesses("12345678").size(), 3u);
}

TEST_P(StorageContract, AChangeNotCommittedIsNeitherSeenNorKept) {
    Connection db = Console();
    {
        Transaction transaction = db.Write();
        db.AddStudent(WithDni("12345678"));
        db.AppendAccess(Access("12345678", " 5/03/2024", "09:41:07", "3"));
        EXPECT_EQ(db.FindStudent("12345678")->nombre, "Ana");  // its own change it sees
        EXPECT_FALSE(Controller().FindStudent("12345678"));
    }
    EXPECT_FALSE(Controller().FindStudent("12345678"));
    EXPECT_EQ(Counts(), Rows{"0/0"});
}

// The console's add: check and insert in one write transaction, as AddRecord does it.
enum class AddOutcome { Added, AlreadyRegistered, Failed };
AddOutcome AddAsTheConsoleDoes(const StorageLocation& location, const StudentRecord& student,
                               std::string& failure) {
    try {
        Connection db = Connection::Open(location, OpenMode::CreateIfMissing);
        Transaction transaction = db.Write();
        if (db.FindStudent(student.dni)) {
            return AddOutcome::AlreadyRegistered;
        }
        db.AddStudent(student);
        transaction.Commit();
        return AddOutcome::Added;
    } catch (const DatabaseError& error) {
        failure = error.Description();
        return AddOutcome::Failed;
    }
}

// Of consoles adding one DNI at once, one adds it and the others find it: the second waits for
// the first writer's lock, then reads what it committed.
TEST_P(StorageContract, ASecondWriterWaitsAndThenSeesTheFirstWritersChange) {
    Connection first = Console();
    Transaction holding = first.Write();
    ASSERT_FALSE(first.FindStudent("12345678"));
    std::string failure;
    auto second = std::async(std::launch::async, [&] {
        return AddAsTheConsoleDoes(site->Location(), WithDni("12345678", "Luis"), failure);
    });
    // The second one is still waiting for the first writer, whatever it found meanwhile.
    EXPECT_EQ(second.wait_for(300ms), std::future_status::timeout);
    first.AddStudent(WithDni("12345678", "Ana"));
    holding.Commit();
    EXPECT_EQ(second.get(), AddOutcome::AlreadyRegistered) << failure;
    EXPECT_EQ(Controller().FindStudent("12345678")->nombre, "Ana");
}

AttemptRecord Attempt(std::string dni, std::string fecha, std::string resultado, std::string hora) {
    return {std::move(dni),
            std::move(fecha),
            std::move(hora),
            "3",
            "puesto-1",
            std::move(resultado),
            ""};
}

std::string Shown(const PositionedAttempt& row) {
    return row.day + " " + row.attempt.dni + " " + row.attempt.resultado + " " + row.attempt.hora;
}

// The filters and the pages over them are walked on both engines by the console's attempts
// window; here what each row keeps and the day the listing reads from its Fecha.
TEST_P(StorageContract, AttemptsAreKeptAsReadAndListedNewestFirstByDay) {
    Connection db = Console();
    AttemptRecord odd =
        Attempt("'; DROP TABLE Intentos;--", " 1/01/2023", kOutcomeError, "08:00:09");
    odd.motivo = "Descripción con «comillas» y 'apóstrofos'";
    odd.puesto = "Puerta Norte";
    // Written out of day order: a station's clock put right, a copy from elsewhere.
    for (const AttemptRecord& attempt : {
             Attempt("12345678", " 5/03/2024", kOutcomeGranted, "08:00:00"),
             Attempt("12345678", " 4/03/2024", kOutcomeDenied, "08:00:01"),
             Attempt("12345678", "15/03/2024", kOutcomeDenied, "08:00:03"),
             Attempt("1234567a", "15/03/2024", kOutcomeError, "08:00:04"),
             Attempt("12345678", " 5/03/2024", kOutcomeGranted, "08:00:05"),
             Attempt(std::string("1234\x01\xff"
                                 "78",
                                 8),
                     "29/02/2024", kOutcomeError, "08:00:07"),
             Attempt("12345678", "no es fecha", kOutcomeDenied, "08:00:08"),
             odd,
         }) {
        Controller().AppendAttempt(attempt);
    }
    AttemptQuery everything;
    everything.limit = 100;
    const AttemptPage page = db.ListAttempts(everything);
    std::vector<std::string> shown;
    for (const PositionedAttempt& row : page.attempts) {
        shown.push_back(Shown(row));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "2024-03-15 1234567a error 08:00:04",
                         "2024-03-15 12345678 denegado 08:00:03",
                         "2024-03-05 12345678 concedido 08:00:05",
                         "2024-03-05 12345678 concedido 08:00:00",
                         "2024-03-04 12345678 denegado 08:00:01",
                         "2024-02-29 1234??78 error 08:00:07",
                         "2023-01-01 '; DROP TABLE Intentos;-- error 08:00:09",
                         " 12345678 denegado 08:00:08",
                     }));
    // Every column comes back as written, the station and reason too.
    ASSERT_EQ(page.attempts.size(), 8u);
    EXPECT_FALSE(page.next);
    EXPECT_EQ(page.attempts[7].attempt.fecha, "no es fecha");
    EXPECT_EQ(page.attempts[6].attempt.motivo, odd.motivo);
    EXPECT_EQ(page.attempts[6].attempt.puesto, "Puerta Norte");
    EXPECT_GT(page.attempts[0].position, page.attempts[1].position);
    // A limit outside 1..kMaxAttemptPage is brought inside it.
    AttemptQuery none;
    none.limit = 0;
    EXPECT_EQ(db.ListAttempts(none).attempts.size(), 1u);

    for (const char* bad : {"2024-3-05", "05/03/2024", "2024-02-30", "2024-13-01", "ayer"}) {
        AttemptQuery query;
        query.from = bad;
        EXPECT_EQ(CodeOf([&] { db.ListAttempts(query); }), kInvalidDay) << bad;
        query.from.clear();
        query.to = bad;
        EXPECT_EQ(CodeOf([&] { db.ListAttempts(query); }), kInvalidDay) << bad;
    }
    // Attempts never reach a student's history.
    EXPECT_TRUE(db.ListAccesses("12345678").empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, StorageContract, BothEngines(), EngineName);
