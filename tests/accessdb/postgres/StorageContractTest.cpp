// What every storage engine promises its callers, checked on both: the SQLite file in a temp
// folder and a schema of its own on the test run's PostgreSQL server.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "TestServer.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

using namespace accessdb;
using namespace std::chrono_literals;

namespace {

// One place where an engine keeps the tables, with a way around the storage interface.
class Site {
  public:
    virtual ~Site() = default;
    virtual StorageLocation Location() const = 0;
    // Runs SQL as another program would; rows joined by "|".
    virtual Rows Run(const std::string& statements) const = 0;
    // From now on every `event` ("INSERT", "DELETE") on `table` fails inside the server.
    virtual void FailOn(const std::string& table, const std::string& event) = 0;
    virtual bool HasTables() const = 0;
};

class FileSite : public Site {
  public:
    StorageLocation Location() const override { return m_file; }
    Rows Run(const std::string& statements) const override { return Sql(m_file, statements); }
    void FailOn(const std::string& table, const std::string& event) override {
        Run("CREATE TRIGGER fault_" + table + event + " BEFORE " + event + " ON " + table +
            " BEGIN SELECT RAISE(ABORT, 'fallo provocado'); END");
    }
    bool HasTables() const override { return std::filesystem::exists(m_file); }

  private:
    TempFolder m_folder;
    std::filesystem::path m_file = m_folder / "Alumnos.mdb";
};

class ServerSite : public Site {
  public:
    StorageLocation Location() const override { return m_schema.Location(); }
    Rows Run(const std::string& statements) const override { return m_schema.Run(statements); }
    void FailOn(const std::string& table, const std::string& event) override {
        Run("CREATE OR REPLACE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS"
            " $$BEGIN RAISE EXCEPTION 'fallo provocado'; END$$;"
            "CREATE TRIGGER fault_" +
            table + event + " BEFORE " + event + " ON " + table +
            " FOR EACH ROW EXECUTE FUNCTION fault()");
    }
    bool HasTables() const override {
        return Run("SELECT to_regclass('alumnos') IS NOT NULL") == Rows{"t"};
    }

  private:
    testserver::PrivateSchema m_schema;
};

struct Engine {
    const char* name;
    std::function<std::unique_ptr<Site>()> make;
};
void PrintTo(const Engine& engine, std::ostream* os) { *os << engine.name; }

// The code the action fails with; 0 when it succeeds.
int CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DatabaseError& error) {
        return error.Code();
    }
    return 0;
}

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

TEST_P(StorageContract, MissingRowsAnswer3021AndNothingElseDoes) {
    Connection db = Console();
    EXPECT_EQ(CodeOf([&] { db.LookUpStudent("12345678").Field("Nombre"); }), kNoCurrentRow);
    EXPECT_EQ(CodeOf([&] { db.FindStudent("12345678"); }), kNoCurrentRow);
    EXPECT_EQ(CodeOf([&] { db.ListAccesses("12345678"); }), kNoCurrentRow);
    EXPECT_EQ(CodeOf([&] { db.DeleteAccesses("12345678"); }), kNoCurrentRow);
    EXPECT_EQ(CodeOf([&] { db.SaveStudent(Student()); }), kNoCurrentRow);
    EXPECT_EQ(CodeOf([&] { db.DeleteStudent("12345678"); }), kNoCurrentRow);
    // The engine itself answers "no row" without failing.
    StorageEngine& engine = db.Engine();
    EXPECT_FALSE(engine.FindStudentRow(12345678).has_value());
    EXPECT_FALSE(engine.UpdateStudent(12345678, Student()));
    EXPECT_FALSE(engine.DeleteStudent(12345678));
    EXPECT_EQ(engine.DeleteAccesses(12345678), 0u);
    EXPECT_TRUE(engine.ListAccesses(12345678).empty());

    // With the rows there, the same calls succeed, on this connection and on a controller's.
    db.AddStudent(Student());
    db.SaveStudent(Student("5"));
    EXPECT_EQ(Controller().FindStudent("12345678").puerta, "5");
    Controller().AppendAccess(Access("12345678", " 5/03/2024", "09:41:07", "5"));
    EXPECT_EQ(db.ListAccesses("12345678").size(), 1u);
    EXPECT_EQ(CodeOf([&] { db.DeleteAccesses("12345678"); }), 0);
    EXPECT_EQ(CodeOf([&] { db.DeleteStudent("12345678"); }), 0);
    EXPECT_EQ(Counts(), Rows{"0/0"});
}

TEST_P(StorageContract, AStudentReadsBackAsWrittenWithTheTableDefaults) {
    Connection db = Console();
    StudentRecord added = WithDni("01234567", "Íñigo");
    added.apellido2 = "Gil'); DROP TABLE Alumnos;--";
    db.AddStudent(added);
    const StudentRecord fresh = db.FindStudent("01234567");
    EXPECT_EQ(fresh.dni, "01234567");
    EXPECT_EQ(fresh.nombre, "Íñigo");
    EXPECT_EQ(fresh.apellido2, added.apellido2);
    EXPECT_EQ(fresh.puerta + "|" + fresh.agosto + "|" + fresh.finDeSemana + "|" +
                  fresh.periodoTemporal + "|" + fresh.fechaA + "|" + fresh.fechaB,
              "|0|0|0||");

    const StudentRecord saved = {"01234567", "Íñigo", "Pérez", "Gil",      "1,2,3,4,5,6,7,8",
                                 "1",        "0",     "1",     "05/03/14", "31/12/14"};
    db.SaveStudent(saved);
    const StudentRecord back = Controller().FindStudent("01234567");
    EXPECT_EQ(std::tie(back.nombre, back.apellido1, back.apellido2, back.puerta, back.agosto,
                       back.finDeSemana, back.periodoTemporal, back.fechaA, back.fechaB),
              std::tie(saved.nombre, saved.apellido1, saved.apellido2, saved.puerta, saved.agosto,
                       saved.finDeSemana, saved.periodoTemporal, saved.fechaA, saved.fechaB));
    // Callers name columns in any letter case; the key stays a number in the table.
    StudentRow row = db.LookUpStudent("01234567");
    EXPECT_EQ(row.Field("DNI"), "01234567");
    EXPECT_EQ(row.Field("fin_de_semana") + row.Field("Periodo_Temporal"), "01");
    EXPECT_EQ(CodeOf([&] { row.Field("Telefono"); }), kColumnNotFound);
    EXPECT_EQ(site->Run("SELECT DNI + 1 FROM Alumnos"), Rows{"1234568"});
}

TEST_P(StorageContract, ADniThatIsNotEightDigitsChangesNothing) {
    Connection db = Console();
    db.AddStudent(WithDni("12345678"));
    db.AppendAccess(Access("12345678", " 5/03/2024", "09:41:07", "3"));
    const Rows before = Counts();
    for (const std::string dni :
         {"1 OR 1=1", "1234567", "123456789", "1234567a", "", "12345678; DELETE FROM Picadas",
          "0x123456", "-1234567", "１２３４５６７８"}) {
        SCOPED_TRACE(dni);
        const std::vector<std::function<void()>> calls = {
            [&] { db.LookUpStudent(dni); },
            [&] { db.AddStudent(WithDni(dni)); },
            [&] { db.SaveStudent(WithDni(dni)); },
            [&] { db.DeleteStudent(dni); },
            [&] { db.ListAccesses(dni); },
            [&] { db.DeleteAccesses(dni); },
            [&] { db.AppendAccess(Access(dni, " 5/03/2024", "09:41:07", "3")); }};
        for (const auto& call : calls) {
            EXPECT_EQ(CodeOf(call), kInvalidDni);
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
    const auto listed = [&](const std::string& dni) {
        std::vector<std::string> rows;
        for (const AccessRecord& a : db.ListAccesses(dni)) {
            rows.push_back(a.dni + " " + a.fecha + " " + a.hora + " " + a.puerta);
        }
        return rows;
    };
    const auto written = [](const std::vector<AccessRecord>& accesses) {
        std::vector<std::string> rows;
        for (const AccessRecord& a : accesses) {
            rows.push_back(a.dni + " " + a.fecha + " " + a.hora + " " + a.puerta);
        }
        return rows;
    };
    EXPECT_EQ(listed("12345678"), written(ana));
    EXPECT_EQ(listed("87654321"), written(luis));
    db.DeleteAccesses("87654321");
    EXPECT_EQ(listed("12345678"), written(ana));
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
        WriteTransaction transaction(db);
        db.DeleteAccesses("12345678");
        db.DeleteStudent("12345678");
        transaction.Commit();
    });
    EXPECT_NE(deleted, 0);
    EXPECT_NE(deleted, kNoCurrentRow);
    // An add followed by a write that fails.
    const int added = CodeOf([&] {
        WriteTransaction transaction(db);
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
        WriteTransaction transaction(db);
        db.AddStudent(WithDni("12345678"));
        db.AppendAccess(Access("12345678", " 5/03/2024", "09:41:07", "3"));
        EXPECT_EQ(db.FindStudent("12345678").nombre, "Ana");  // its own change it sees
        EXPECT_EQ(CodeOf([&] { Controller().FindStudent("12345678"); }), kNoCurrentRow);
    }
    EXPECT_EQ(CodeOf([&] { Controller().FindStudent("12345678"); }), kNoCurrentRow);
    EXPECT_EQ(Counts(), Rows{"0/0"});
}

// The console's add: check and insert in one write transaction, as AddRecord does it.
enum class AddOutcome { Added, AlreadyRegistered, Failed };
AddOutcome AddAsTheConsoleDoes(const StorageLocation& location, const StudentRecord& student,
                               std::string& failure) {
    try {
        Connection db = Connection::Open(location, OpenMode::CreateIfMissing);
        WriteTransaction transaction(db);
        try {
            db.LookUpStudent(student.dni).Field("Nombre");
            return AddOutcome::AlreadyRegistered;
        } catch (const DatabaseError& error) {
            if (!error.IsNoCurrentRow()) {
                throw;
            }
        }
        db.AddStudent(student);
        transaction.Commit();
        return AddOutcome::Added;
    } catch (const DatabaseError& error) {
        failure = error.Description();
        return AddOutcome::Failed;
    }
}

TEST_P(StorageContract, ConsolesAddingOneDniAtOnceRegisterItOnce) {
    Console();  // the tables exist before the race
    constexpr int kConsoles = 6;
    for (const std::string dni : {"11111111", "22222222", "33333333"}) {
        std::vector<std::future<AddOutcome>> outcomes;
        std::vector<std::string> failures(kConsoles);
        std::promise<void> go;
        std::shared_future<void> started = go.get_future().share();
        for (int i = 0; i < kConsoles; ++i) {
            outcomes.push_back(std::async(std::launch::async, [&, i] {
                started.wait();
                return AddAsTheConsoleDoes(site->Location(), WithDni(dni, "C" + std::to_string(i)),
                                           failures[i]);
            }));
        }
        go.set_value();
        int added = 0, already = 0;
        for (auto& outcome : outcomes) {
            const AddOutcome result = outcome.get();
            added += result == AddOutcome::Added;
            already += result == AddOutcome::AlreadyRegistered;
        }
        EXPECT_EQ(added, 1) << dni;
        EXPECT_EQ(already, kConsoles - 1) << dni;
        for (const std::string& failure : failures) {
            EXPECT_EQ(failure, "");
        }
    }
    EXPECT_EQ(Counts(), Rows{"3/0"});
}

TEST_P(StorageContract, ASecondWriterWaitsAndThenSeesTheFirstWritersChange) {
    Connection first = Console();
    WriteTransaction holding(first);
    ASSERT_EQ(CodeOf([&] { first.FindStudent("12345678"); }), kNoCurrentRow);
    std::string failure;
    auto second = std::async(std::launch::async, [&] {
        return AddAsTheConsoleDoes(site->Location(), WithDni("12345678", "Luis"), failure);
    });
    // The second one is still waiting for the first writer, whatever it found meanwhile.
    EXPECT_EQ(second.wait_for(300ms), std::future_status::timeout);
    first.AddStudent(WithDni("12345678", "Ana"));
    holding.Commit();
    EXPECT_EQ(second.get(), AddOutcome::AlreadyRegistered) << failure;
    EXPECT_EQ(Controller().FindStudent("12345678").nombre, "Ana");
}

TEST_P(StorageContract, TheControllerNeverCreatesTheTables) {
    const int code = CodeOf([&] { Controller(); });
    EXPECT_NE(code, 0);
    EXPECT_NE(code, kNoCurrentRow);
    EXPECT_FALSE(site->HasTables());
    Console();
    EXPECT_TRUE(site->HasTables());
    EXPECT_EQ(CodeOf([&] { Controller(); }), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, StorageContract,
    ::testing::Values(
        Engine{"File", []() -> std::unique_ptr<Site> { return std::make_unique<FileSite>(); }},
        Engine{"Server", []() -> std::unique_ptr<Site> { return std::make_unique<ServerSite>(); }}),
    [](const ::testing::TestParamInfo<Engine>& engine) { return std::string(engine.param.name); });
