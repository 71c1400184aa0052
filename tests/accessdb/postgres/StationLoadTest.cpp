// Door stations and a console, each a process of its own, on one server at once: every grant
// is recorded, and ordinary contention never surfaces as an error.
#include <gtest/gtest.h>

#include <sstream>

#include "../ChildProcess.h"
#include "TestServer.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "controller/cycle/AccessRules.h"
#include "support/StudentDatabase.h"

using namespace accessdb;
// The controller's types, whether or not they sit in a namespace of their own.
namespace tarvo {}
using namespace tarvo;

namespace {

constexpr int kStations = 4;
constexpr int kCardsPerStation = 200;
constexpr int kConsoleRounds = 120;

struct Tally {
    int grants = 0;
    int denials = 0;
    int failures = 0;
    std::string firstFailure;

    void Fail(const std::string& description) {
        if (failures++ == 0) {
            firstFailure = description;
        }
    }
};

std::string StationDni(int station) { return "1000000" + std::to_string(station); }
std::string NewStudentDni(int round) { return std::to_string(50000000 + round); }

// The controller's card path: open, look up and decide, append on a grant, close.
Tally RunStation(const StorageLocation& location, const std::string& dni) {
    const ClockFields now = ClockFields::FromClockText("Tue Mar  5 09:41:07 2024\n");
    Tally tally;
    for (int card = 0; card < kCardsPerStation; ++card) {
        try {
            Connection db = Connection::Open(location, OpenMode::ExistingOnly);
            const Verdict verdict = AccessRules::Decide(db, dni, '3', now);
            if (verdict.errorDescription) {
                tally.Fail(*verdict.errorDescription);
            } else if (verdict.grant) {
                db.AppendAccess({dni, now.fecha, now.hora, "3"});
                ++tally.grants;
            } else {
                ++tally.denials;
            }
        } catch (const DatabaseError& error) {
            tally.Fail(error.Description());
        }
    }
    return tally;
}

// The console's commands, each on a connection of its own: register a student (check and
// insert as one change) and save the record, turn the last station's door 3 off and on, list a
// station's history, and every other round delete the student of the round before.
Tally RunConsole(const StorageLocation& location) {
    const auto open = [&] { return Connection::Open(location, OpenMode::CreateIfMissing); };
    Tally tally;
    for (int round = 0; round < kConsoleRounds; ++round) {
        try {
            StudentRecord student = Student("1,2");
            student.dni = NewStudentDni(round);
            {
                Connection db = open();
                Transaction adding = db.Write();
                if (db.FindStudent(student.dni)) {
                    tally.Fail("already registered: " + student.dni);
                    continue;
                }
                db.AddStudent(student);
                adding.Commit();
            }
            open().SaveStudent(student);
            StudentRecord last = Student(round % 2 == 0 ? "1,2" : "1,2,3");
            last.dni = StationDni(kStations);
            open().SaveStudent(last);
            open().ListAccesses(StationDni(1));
            if (round % 2 == 1) {
                Connection db = open();
                Transaction deleting = db.Write();
                db.DeleteStudent(NewStudentDni(round - 1));
                deleting.Commit();
            }
            ++tally.grants;  // a round done
        } catch (const DatabaseError& error) {
            tally.Fail(error.Description());
        }
    }
    return tally;
}

// The work's tally, from a process of its own, as "grants denials failures first failure".
std::function<std::string()> Counted(const std::function<Tally()>& work) {
    return [work] {
        const Tally tally = work();
        return std::to_string(tally.grants) + " " + std::to_string(tally.denials) + " " +
               std::to_string(tally.failures) + " " + tally.firstFailure;
    };
}
Tally Waited(ChildProcess& child) {
    const ChildOutcome outcome = child.Wait();
    Tally tally;
    std::istringstream in(outcome.output);
    in >> tally.grants >> tally.denials >> tally.failures;
    std::getline(in, tally.firstFailure);
    if (outcome.code != 0 || outcome.output.empty()) {
        tally.Fail("the process ended abnormally: " + outcome.output);
    }
    return tally;
}

}  // namespace

TEST(StationLoad, StationsAndAConsoleAtOnceLoseNoRowAndSeeNoError) {
    testserver::PrivateSchema schema;
    const StorageLocation location = schema.Location();
    {
        Connection console = Connection::Open(location, OpenMode::CreateIfMissing);
        for (int station = 1; station <= kStations; ++station) {
            StudentRecord student = Student("1,2,3");
            student.dni = StationDni(station);
            console.AddStudent(student);
            console.SaveStudent(student);
        }
    }  // no connection of the parent lives on into the children

    // Each a process of its own, as the site runs them (as the tests' user: the cluster's
    // socket is not the ordinary user's).
    std::vector<std::unique_ptr<ChildProcess>> stations;
    for (int station = 1; station <= kStations; ++station) {
        stations.push_back(std::make_unique<ChildProcess>(
            Counted([&, station] { return RunStation(location, StationDni(station)); }), false));
    }
    ChildProcess console(Counted([&] { return RunConsole(location); }), false);

    for (int station = 1; station <= kStations; ++station) {
        const Tally tally = Waited(*stations[station - 1]);
        SCOPED_TRACE("station " + std::to_string(station));
        EXPECT_EQ(tally.failures, 0) << tally.firstFailure;
        EXPECT_EQ(tally.grants + tally.denials, kCardsPerStation);
        if (station < kStations) {
            EXPECT_EQ(tally.grants, kCardsPerStation);
        }
        EXPECT_EQ(schema.Run("SELECT count(*) FROM picadas WHERE dni = " + StationDni(station)),
                  Rows{std::to_string(tally.grants)});
    }
    const Tally rounds = Waited(console);
    EXPECT_EQ(rounds.failures, 0) << rounds.firstFailure;
    EXPECT_EQ(rounds.grants, kConsoleRounds);
    // The students of the odd rounds stay; those of the even rounds were deleted.
    EXPECT_EQ(schema.Run("SELECT count(*) FROM alumnos"),
              Rows{std::to_string(kStations + kConsoleRounds / 2)});
}
