// What only the server engine has to keep: door stations never wait on a console's change, a
// console waits for another only a bounded time, failures say what happened and what to do.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "TestServer.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "support/DatabaseFailure.h"
#include "support/StudentDatabase.h"

using namespace accessdb;
using namespace std::chrono_literals;
using testserver::PrivateSchema;

namespace {

const AccessRecord kAccess{"12345678", " 5/03/2024", "09:41:07", "3"};

class ServerEngine : public ::testing::Test {
  protected:
    Connection Console() { return Connection::Open(schema.Location(), OpenMode::CreateIfMissing); }
    Connection Station() { return Connection::Open(schema.Location(), OpenMode::ExistingOnly); }

    PrivateSchema schema;
};

}  // namespace

// The tables made on an empty database, and again on a whole one, print nothing: what the
// definition skips (a policy, a table already there) is no notice on the program's output.
TEST_F(ServerEngine, MakingTheTablesPrintsNothing) {
    std::fflush(stderr);
    const int saved = dup(2);
    FILE* captured = std::tmpfile();
    ASSERT_NE(captured, nullptr);
    dup2(fileno(captured), 2);
    Console();
    schema.Run("UPDATE esquema SET version = 3");
    Console();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::fseek(captured, 0, SEEK_END);
    EXPECT_EQ(std::ftell(captured), 0);
    std::fclose(captured);
}

TEST_F(ServerEngine, ADoorStationDoesNotWaitForAConsolesChange) {
    Connection console = Console();
    console.AddStudent(Student());
    console.SaveStudent(Student("3"));
    console.AppendAccess(kAccess);
    Transaction deleting = console.Write();
    console.DeleteAccesses("12345678");
    // While the console's change is open, a station's whole card goes through.
    auto card = std::async(std::launch::async, [&] {
        Connection station = Station();
        const std::string doors = station.FindStudent("12345678")->puerta;
        station.AppendAccess(kAccess);
        return doors;
    });
    ASSERT_EQ(card.wait_for(2s), std::future_status::ready);
    EXPECT_EQ(card.get(), "3");
    deleting.Commit();
    // The station's row was written after the delete took the older one.
    EXPECT_EQ(schema.Run("SELECT count(*) FROM picadas"), Rows{"1"});
}

TEST_F(ServerEngine, AConsoleWaitingTooLongForAnotherIsToldToTryAgain) {
    Connection first = Console();
    Transaction holding = first.Write();
    Connection second = Console();
    const auto started = std::chrono::steady_clock::now();
    const DatabaseError error = Failure([&] { Transaction waiting = second.Write(); });
    EXPECT_LT(std::chrono::steady_clock::now() - started, 6s);
    EXPECT_EQ(error.Code(), kServerWriteLocked) << error.Description();
    EXPECT_EQ(error.Kind(), FailureKind::Busy);
    EXPECT_NE(error.Description().find("Vuelva a intentarlo"), std::string::npos);
    // The refused connection is usable again, and the first writer was not disturbed.
    EXPECT_FALSE(second.FindStudent("12345678"));
    first.AddStudent(Student());
    holding.Commit();
    EXPECT_EQ(second.FindStudent("12345678")->nombre, "Ana");
}

// The server undoes a transaction in which a statement failed, and answers its COMMIT with a
// rollback: that must reach the caller as a failure, not as a stored change.
TEST_F(ServerEngine, ACommitAfterAFailedWriteIsNotReportedAsStored) {
    Connection console = Console();
    console.AddStudent(Student());
    Transaction transaction = console.Write();
    console.SaveStudent(Student("1,2,3,4,5,6,7,8"));
    const DatabaseError duplicate = Failure([&] { console.AddStudent(Student()); });
    EXPECT_EQ(duplicate.Code(), kDuplicateKey);
    EXPECT_NE(Failure([&] { transaction.Commit(); }).Code(), 0);
    EXPECT_EQ(console.FindStudent("12345678")->puerta, "");
}

// The hint for every kind of string libpq cannot read is checked with the secrets it may hold.
TEST_F(ServerEngine, AnAddressLibpqCannotReadIsRefusedNamingTheVariable) {
    // As the programs read it, from the environment.
    setenv("TARVO_DATABASE", "user=puerta3 =escuela", 1);
    const StorageLocation fromEnvironment = StorageLocation::FromEnvironment("Alumnos.mdb");
    unsetenv("TARVO_DATABASE");
    const DatabaseError error =
        Failure([&] { Connection::Open(fromEnvironment, OpenMode::ExistingOnly); });
    EXPECT_EQ(error.Code(), kServerAddressInvalid);
    EXPECT_NE(error.Description().find("TARVO_DATABASE"), std::string::npos);
}

TEST_F(ServerEngine, AServerThatIsNotThereIsReportedAtOnce) {
    // Nothing listens on port 1 of this machine, and the socket folder does not exist.
    for (const std::string address :
         {"host=127.0.0.1 port=1 dbname=escuela", "host=/nonexistent/socket dbname=escuela"}) {
        const auto started = std::chrono::steady_clock::now();
        const DatabaseError error = Failure(
            [&] { Connection::Open(StorageLocation::Server(address), OpenMode::ExistingOnly); });
        EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
        EXPECT_EQ(error.Code(), kServerUnreachable) << error.Description();
        EXPECT_NE(error.Description().find("Compruebe la red"), std::string::npos);
    }
}
