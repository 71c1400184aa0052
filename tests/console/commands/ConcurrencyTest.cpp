// The console's writes meet the controller's appends on one file: the controller opens its own
// connection per card and appends as fast as it can while the administrator saves and deletes.
// Nothing may be lost and no "database is locked" may reach either side.
#include <atomic>
#include <thread>

#include "ConsoleHarness.h"
#include "console/commands/MessageTexts.h"

namespace mireval::testing {
namespace {

using namespace ids;

const char* const kPassing = "11111111";  // edited while the controller lets him through
const char* const kDeleted = "22222222";

TEST(Concurrency, SavesAndDeletionsWhileTheControllerAppendsLoseNothing) {
    Console console;
    console.Seed({kPassing, "Ana", "Ruiz", "", "", "0", "0", "0", "", ""});
    console.Seed({kDeleted, "Luis", "Mora", "", "1", "0", "0", "0", "", ""});

    std::atomic<std::size_t> appended{0};
    std::atomic<int> cards{0};
    std::vector<std::string> failures;  // read once the controller has stopped
    // Joined on every way out of the test, a failed assertion's included.
    std::jthread controller([&](const std::stop_token& stop) {
        while (!stop.stop_requested()) {
            try {
                accessdb::Connection::Open(console.File(), accessdb::OpenMode::ExistingOnly)
                    .AppendAccess({kPassing, "15/03/2026", "10:00:00", "1"});
                ++appended;
            } catch (const accessdb::DatabaseError& error) {
                failures.push_back(error.Description());
            }
            ++cards;
        }
    });
    while (cards == 0) {  // the controller is at work
        std::this_thread::yield();
    }
    for (int round = 0; round < 15; ++round) {
        console.Click(kClearForm);
        console.Search(kPassing);
        console.Click(kModifyOrCancel);
        console.Click(kDoorBoxes[round % 8]);
        console.Click(kAddOrSave);
    }
    for (int round = 0; round < 10; ++round) {
        console.Db().AppendAccess({kDeleted, "16/03/2026", "09:00:00", "2"});
        console.Click(kClearForm);
        console.Search(kDeleted);
        console.messages.answers = "y";
        console.Click(kDeleteHistory);
        EXPECT_EQ(console.Accesses(kDeleted), 0u);
    }
    console.messages.answers = "y";
    console.Click(kDeleteRecord);
    controller.request_stop();
    controller.join();

    EXPECT_EQ(console.Stored(kDeleted), "none");
    EXPECT_EQ(failures, Boxes{});
    EXPECT_GT(appended, 0u);
    EXPECT_EQ(console.Accesses(kPassing), appended.load());
    EXPECT_EQ(console.Stored(kPassing), "Ana|Ruiz||8|0|0|0||");
    Boxes expected(15, std::string(texts::kEditModeNotice));
    expected.insert(expected.end(), 10, "? " + std::string(texts::kConfirmDeleteHistory));
    expected.push_back("? " + std::string(texts::kConfirmDeleteRecord));
    expected.push_back("El registro con DNI= 22222222 ha sido eliminado permanentemente.");
    EXPECT_EQ(console.messages.shown, expected) << "no failure reached the administrator";
}

}  // namespace
}  // namespace mireval::testing
