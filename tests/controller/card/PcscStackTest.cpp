// The card reader against the real pcsc-lite and pcscd, with the vpcd virtual
// reader and a virtual student card that answers as a T=0 card does.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "controller/card/CardReader.h"

using namespace tarvo;

namespace {

using namespace std::chrono_literals;

// Runs the stack script with this build's interpreter; its exit code.
int Stack(const std::string& arguments) {
    const std::string command = std::string("TARVO_PYTHON3='") + TARVO_PYTHON3 + "' '" +
                                TARVO_PCSC_STACK_SCRIPT + "' " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The stack script's answer on its standard output, without the line end.
std::string StackAnswer(const std::string& arguments) {
    const std::string command = std::string("'") + TARVO_PCSC_STACK_SCRIPT + "' " + arguments;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string answer;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        answer += buffer;
    }
    return answer.substr(0, answer.find('\n'));
}

// The fixture's stack, unless the environment names another (the check beside the
// machine's own pcscd runs these tests on a stack of their own).
const std::string kStackDir = [] {
    const char* dir = std::getenv("TARVO_PCSC_STACK_DIR");
    return std::string(dir != nullptr ? dir : TARVO_PCSC_STACK_DIR);
}();

bool StackRunning() { return Stack("port '" + kStackDir + "' > /dev/null 2>&1") == 0; }

// A student card in the virtual reader for the life of the object.
struct VirtualCard {
    explicit VirtualCard(const std::string& arguments)
        : inserted(Stack("card-in '" + kStackDir + "' test " + arguments) == 0) {}
    ~VirtualCard() { Remove(); }
    void Remove() {
        if (std::exchange(inserted, false)) {
            Stack("card-out '" + kStackDir + "' test");
        }
    }
    bool inserted;
};

class PcscStackTest : public ::testing::Test {
  protected:
    // Under ctest the fixture has started the stack and the environment names its socket;
    // run alone, the binary does both. A client library reads the variable once, at its
    // first call, so it is set before any.
    static void SetUpTestSuite() {
        s_socket = StackAnswer("socket '" + kStackDir + "'");
        setenv("PCSCLITE_CSOCK_NAME", s_socket.c_str(), 0);
        if (!StackRunning()) {
            s_startedHere = Stack("start '" + kStackDir + "'") == 0;
        }
    }
    static void TearDownTestSuite() {
        if (s_startedHere) {
            Stack("stop '" + kStackDir + "'");
        }
    }
    void SetUp() override {
        ASSERT_TRUE(StackRunning()) << "pcscd of " << kStackDir;
        const char* named = std::getenv("PCSCLITE_CSOCK_NAME");
        ASSERT_EQ(std::string(named != nullptr ? named : ""), s_socket)
            << "the reader would be asked on another pcscd than the one the cards go into";
    }

    // Polls as the cycle does, a fresh reader each time, until the reader reports
    // `wanted` or a few seconds pass. Keeps the last reader for the test to use.
    ReaderEvent PollUntil(ReaderEvent wanted) {
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        for (;;) {
            output.str("");
            reader = std::make_unique<CardReader>(SystemPcsc(), output);
            const ReaderEvent event = reader->Poll();
            if (event == wanted || std::chrono::steady_clock::now() >= deadline) {
                return event;
            }
            std::this_thread::sleep_for(50ms);
        }
    }

    std::unique_ptr<CardReader> reader;
    std::ostringstream output;

  private:
    static inline bool s_startedHere = false;
    static inline std::string s_socket;
};

// Each card is read to the stage its fault allows, and going out gives no card again, silently.
TEST_F(PcscStackTest, StudentCards_areReadToTheStageThatFails_andAnEmptyReaderGivesNoCard) {
    const std::vector<std::pair<std::string, int>> cards = {
        {"", 1},
        {"--no-application", -1},
        {"--select-answers-9000", -1},  // not a student card: nothing is read
        {"--read-binary-6b00", -2},
        {"--file-select-answers-9000", 1},  // then GET RESPONSE with Le 00, answered 90 00
    };
    for (const auto& [fault, expected] : cards) {
        SCOPED_TRACE(fault);
        VirtualCard card("--dni 87654321 " + fault);
        ASSERT_TRUE(card.inserted);
        ASSERT_EQ(PollUntil(CardConnected), CardConnected) << output.str();
        EXPECT_NE(output.str().find(
                      "Estado del lector: present\ncomprobacion de que hace bien el case\n"),
                  std::string::npos);

        CardData dni;
        EXPECT_EQ(reader->ReadDni(dni), expected);
        const std::string read(reinterpret_cast<const char*>(dni.Bytes()), dni.Length());
        const std::string file = std::string("\x01\x08", 2) + "87654321" + '\0';  // zero added
        EXPECT_EQ(read, expected == 1 ? file : "");
        reader.reset();  // closes what is still held
        card.Remove();
        ASSERT_EQ(PollUntil(NoCard), NoCard);
        EXPECT_EQ(output.str(), "");
    }
}

// With the stack's pcscd gone the reader must fail, never fall back on another daemon (the
// machine's own, where one runs, would answer on its own socket).
TEST_F(PcscStackTest, WithoutPcscd_pollFailsCleanly) {
    ASSERT_EQ(Stack("stop '" + kStackDir + "'"), 0);

    CardReader alone(SystemPcsc(), output);
    const ReaderEvent event = alone.Poll();
    alone.Close();

    // The stack is back for whatever test runs next, also if the check below fails.
    const int restarted = Stack("start '" + kStackDir + "'");
    EXPECT_TRUE(event == ContextFailed || event == NoReaderList) << event;
    if (event == ContextFailed) {
        EXPECT_EQ(output.str(), "Failed SCardEstablishContext\n");
    }
    EXPECT_EQ(restarted, 0);
}

}  // namespace
