// Connecting to the reader: one poll's calls, pauses, lines and result, and the
// release of every handle on every path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptedPcsc.h"
#include "controller/card/CardReader.h"
#include "controller/card/ConnectMessages.h"

using namespace tarvo;

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

constexpr DWORD kEventCounter = 0x00030000;  // pcscd's event counter, in the upper half
constexpr DWORD kPresent = SCARD_STATE_PRESENT;
const std::string kQuery = "GetStatusChange(Reader A, 0x0, 0x4, INFINITE)";
const std::string kNoContext = "> Failed SCardEstablishContext\n";
// One poll up to the state query, and on from there to a connected card.
const std::vector<std::string> kNoState = {"EstablishContext(2)", "ListReaders", kQuery};
const std::vector<std::string> kFromPause = {"Sleep(200)", "> Estado del lector: present\n",
                                             "Connect(Reader A, 2, 3)", "FreeMemory"};
const std::vector<std::string> kToConnect = Then(kNoState, kFromPause);
const std::string kChecked = "> comprobacion de que hace bien el case\n";
const std::vector<std::string> kConnected = Then(kToConnect, {kChecked});
const std::vector<std::string> kNoName = {"EstablishContext(2)", "ListReaders", "FreeMemory",
                                          "ReleaseContext"};

struct PollCase {
    const char* name;
    PcscScript script;
    ReaderEvent event;
    std::vector<std::string> timeline;
};

// clang-format off
const std::vector<PollCase> kPolls = {
    {"empty slot: no pause, no connect",
     {.eventState = kEventCounter | SCARD_STATE_CHANGED | SCARD_STATE_EMPTY}, NoCard,
     Then(kNoState, {"FreeMemory"})},
    {"changed and present: change line before the pause and the present line",
     {.eventState = kEventCounter | SCARD_STATE_CHANGED | kPresent}, CardConnected,
     Then(Then(kNoState, {"> Estado del lector: change\n"}), Then(kFromPause, {kChecked}))},
    {"present without change", {.eventState = kPresent | SCARD_STATE_INUSE}, CardConnected,
     kConnected},
    {"only the first reader is watched and connected",
     {.readerList = std::string("Reader A\0Reader B\0\0", 19), .eventState = kPresent},
     CardConnected, kConnected},
    {"neither empty nor present", {.eventState = SCARD_STATE_UNAVAILABLE}, NotPresent,
     Then(kNoState, {"Sleep(200)", "FreeMemory"})},
    {"failed state query goes on with the preset state",
     {.statusResult = SCARD_E_TIMEOUT, .eventState = std::nullopt}, NotPresent,
     Then(kNoState, {"> Connect: Error en getStatusChange\n", "Sleep(200)", "FreeMemory"})},
    {"no context", {.establishResult = SCARD_E_NO_SERVICE}, ContextFailed,
     {"EstablishContext(2)", kNoContext}},
    {"failed context that hands out a handle",
     {.establishResult = SCARD_F_INTERNAL_ERROR, .contextOnFailure = 0x77}, ContextFailed,
     {"EstablishContext(2)", kNoContext, "ReleaseContext"}},
    {"no readers, silently",
     {.listResult = SCARD_E_NO_READERS_AVAILABLE, .readerList = std::nullopt}, NoReaderList,
     {"EstablishContext(2)", "ListReaders", "ReleaseContext"}},
    {"failed list allocated anyway", {.listResult = SCARD_E_NO_SERVICE}, NoReaderList, kNoName},
    {"list without a name", {.readerList = std::string(2, '\0')}, NoReaderList, kNoName},
    {"first name not ending in the list", {.readerList = "Reader A"}, NoReaderList, kNoName},
    {"failed connect that hands out a card",
     {.eventState = kPresent, .connectResult = SCARD_E_PROTO_MISMATCH, .cardOnFailure = 0x99},
     ConnectFailed,
     Then(kToConnect, {"> Protocolo incompatible con el protocolo actual\n", "ReleaseContext",
                       "Disconnect(0)"})},
};
// clang-format on

// A failure holds nothing once Poll returns; the other events hold until the reader goes.
TEST(PollTest, EachStateAndFailure_givesItsEventAndLines_andReleases) {
    for (const auto& row : kPolls) {
        SCOPED_TRACE(row.name);
        ScriptedPcsc pcsc(row.script);
        {
            CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());
            EXPECT_EQ(reader.Poll(), row.event);
            EXPECT_THAT(pcsc.timeline, ElementsAreArray(row.timeline));
            EXPECT_EQ(pcsc.HoldsNothing(), row.event < 0);
        }
        EXPECT_TRUE(pcsc.HoldsNothing());
        EXPECT_THAT(pcsc.faults, IsEmpty());
    }
}

// The ends of both ranges of the table (where an index slips), the values pcsc-lite's
// header names differently, the non-ASCII text, and codes off the table.
TEST(PollTest, ConnectFailures_writeTheirMessageAndReleaseEverything) {
    const std::string kDefault(kUnknownConnectFailureMessage);
    const std::vector<std::pair<LONG, std::string>> rows = {
        {SCARD_E_SHARING_VIOLATION, "No se puede acceder a la tarjeta, demasiadas conexiones\n"},
        {0x80100001, "Fallo en comprobacion de consistencia interna\n"},
        {0x8010001F, "Error inesperado en la tarjeta\n"},
        {0x80100022, "Esta tarjeta no soporta esta orden\n"},
        {0x80100031, "Administrador de recursos de tarjeta demasiado ocupado\n"},
        {0x80100065, "El lector no puede comunicarse con la tarjeta debido a comflictos de ATR\n"},
        {0x8010006A, "\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\n"},
        {0x8010006F, "El lector no puede comunicarse con la tarjeta debido a comflictos de ATR\n"},
        {0x80100000, kDefault},
        {0x80100032, kDefault},
        {0x80100064, kDefault},
        {0x80100070, kDefault},
        {0x00012345, kDefault},  // not a PC/SC code at all
        {SCARD_W_REMOVED_CARD, "La tarjeta inteligente se ha eliminado, conexion no posible\n"},
    };
    for (const auto& [code, message] : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        ScriptedPcsc pcsc({.eventState = kPresent, .connectResult = code});
        CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());
        const bool removed = code == SCARD_W_REMOVED_CARD;

        EXPECT_EQ(reader.Poll(), removed ? CardRemoved : ConnectFailed);

        std::vector<std::string> expected = Then(kToConnect, {"> " + message});
        if (removed) {
            expected.push_back("Cancel");
        }
        expected.push_back("ReleaseContext");
        EXPECT_THAT(pcsc.timeline, ElementsAreArray(expected));
        EXPECT_TRUE(pcsc.HoldsNothing());
        EXPECT_THAT(pcsc.faults, IsEmpty());
    }
}

TEST(PollTest, EveryHandleIsReleasedOnce_andBeforeTheNextPoll) {
    ScriptedPcsc pcsc({.eventState = kPresent});
    CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());
    reader.Close();  // nothing held yet
    EXPECT_THAT(pcsc.timeline, IsEmpty());

    ASSERT_EQ(reader.Poll(), CardConnected);
    pcsc.timeline.clear();
    ASSERT_EQ(reader.Poll(), CardConnected);
    EXPECT_THAT(std::vector(pcsc.timeline.begin(), pcsc.timeline.begin() + 3),
                ElementsAre("ReleaseContext", "Disconnect(0)", "EstablishContext(2)"));

    pcsc.timeline.clear();
    reader.ReleaseCard();  // leaves the card, keeps the context
    reader.ReleaseCard();
    reader.Close();
    reader.Close();
    EXPECT_THAT(pcsc.timeline, ElementsAre("Disconnect(0)", "ReleaseContext"));
    EXPECT_TRUE(pcsc.HoldsNothing());
    EXPECT_THAT(pcsc.faults, IsEmpty());
}

}  // namespace
