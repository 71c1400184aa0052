#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "support/TempFolder.h"

using namespace accessdb;
using namespace std::chrono_literals;

namespace {
long long AccessCount(const std::filesystem::path& file) {
    Connection db = Connection::Open(file, OpenMode::ExistingOnly);
    sqlite::Statement count(db.Handle(), "SELECT count(*) FROM Picadas");
    return count.Step() ? count.Integer(0) : -1;
}
}  // namespace

// The controller appends while the console holds a write: the append waits, then succeeds.
TEST(Concurrency, AnAppendWaitsForAnotherWriterInsteadOfFailing) {
    TempFolder folder;
    const auto file = folder / "Alumnos.mdb";
    Connection console = Connection::Open(file, OpenMode::CreateIfMissing);
    console.AddStudent({"12345678", "Ana", "Pérez", "", "5", "0", "0", "0", "", ""});

    std::atomic<bool> appended{false};
    std::string failure;
    std::thread controller;
    {
        WriteTransaction transaction(console);
        console.SaveStudent({"12345678", "Ana", "Pérez", "", "1,5,", "0", "0", "0", "", ""});
        controller = std::thread([&] {
            try {
                Connection db = Connection::Open(file, OpenMode::ExistingOnly);
                db.AppendAccess({"12345678", "15/07/2014", "10:00:00", "5"});
                appended = true;
            } catch (const DatabaseError& error) {
                failure = error.Description();
            }
        });
        std::this_thread::sleep_for(400ms);
        EXPECT_FALSE(appended.load()) << "the append did not wait for the open write";
        transaction.Commit();
    }
    controller.join();
    EXPECT_EQ(failure, "");
    EXPECT_TRUE(appended.load());
    EXPECT_EQ(AccessCount(file), 1);
    EXPECT_EQ(console.FindStudent("12345678").puerta, "1,5,");
}

TEST(Concurrency, TwoWritersLoseNoRow) {
    TempFolder folder;
    const auto file = folder / "Alumnos.mdb";
    Connection::Open(file, OpenMode::CreateIfMissing);
    constexpr int kPerWriter = 60;
    std::atomic<int> failures{0};
    auto writer = [&](const char* dni) {
        for (int i = 0; i < kPerWriter; ++i) {
            try {
                Connection::Open(file, OpenMode::ExistingOnly)
                    .AppendAccess({dni, "15/07/2014", "10:00:00", "1"});
            } catch (const DatabaseError&) {
                ++failures;
            }
        }
    };
    std::thread a(writer, "11111111");
    std::thread b(writer, "22222222");
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(AccessCount(file), 2 * kPerWriter);
}
