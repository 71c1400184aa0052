// Connecting to the reader: one poll's calls, messages and results, and the
// release of every handle on every path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ScriptedPcsc.h"
#include "controller/card/CardReader.h"
#include "controller/card/ConnectMessages.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr DWORD kEventCounter = 0x00030000;  // pcscd's event counter, in the upper half
constexpr const char* kQuery = "GetStatusChange(Reader A, current 0x0, event 0x4, INFINITE, 1)";

class PollTest : public ::testing::Test {
  protected:
    ~PollTest() override { EXPECT_THAT(pcsc.faults, IsEmpty()); }

    // Clears the timeline, closes the reader and returns what the close did.
    std::vector<std::string> CallsOfClose() {
        pcsc.timeline.clear();
        reader.Close();
        return pcsc.timeline;
    }

    ScriptedPcsc pcsc;
    CardReader reader{pcsc, pcsc.Out(), pcsc.Pauses()};
};

TEST_F(PollTest, EmptyReader_givesNoCardWithoutPauseOrConnect) {
    pcsc.eventState = kEventCounter | SCARD_STATE_CHANGED | SCARD_STATE_EMPTY;

    EXPECT_EQ(reader.Poll(), NoCard);

    EXPECT_THAT(pcsc.timeline, ElementsAre("EstablishContext(2)", "ListReaders(all, allocate)",
                                           kQuery, "FreeMemory"));
    EXPECT_THAT(CallsOfClose(), ElementsAre("ReleaseContext"));
    EXPECT_TRUE(pcsc.HoldsNothing());
}

TEST_F(PollTest, ChangedAndPresent_writesChangeThenPresentThenConnects) {
    pcsc.eventState = kEventCounter | SCARD_STATE_CHANGED | SCARD_STATE_PRESENT;

    EXPECT_EQ(reader.Poll(), CardConnected);

    EXPECT_THAT(pcsc.timeline, ElementsAre("EstablishContext(2)", "ListReaders(all, allocate)",
                                           kQuery, "> Estado del lector: change\n", "Sleep(200)",
                                           "> Estado del lector: present\n",
                                           "Connect(Reader A, share 2, protocols 3)", "FreeMemory",
                                           "> comprobacion de que hace bien el case\n"));
    EXPECT_THAT(CallsOfClose(), ElementsAre("ReleaseContext", "Disconnect(0)"));
    EXPECT_TRUE(pcsc.HoldsNothing());
}

TEST_F(PollTest, PresentWithoutChange_writesOnlyThePresentLine) {
    pcsc.eventState = SCARD_STATE_PRESENT | SCARD_STATE_INUSE;

    EXPECT_EQ(reader.Poll(), CardConnected);

    EXPECT_EQ(pcsc.Output(), "Estado del lector: present\ncomprobacion de que hace bien el case\n");
}

TEST_F(PollTest, StateWithoutEmptyOrPresent_givesNotPresentAfterThePause) {
    for (DWORD state : {DWORD{SCARD_STATE_UNAVAILABLE}, DWORD{SCARD_STATE_UNKNOWN},
                        DWORD{SCARD_STATE_CHANGED | SCARD_STATE_MUTE}}) {
        SCOPED_TRACE(state);
        pcsc.timeline.clear();
        pcsc.eventState = state;

        EXPECT_EQ(reader.Poll(), NotPresent);

        const auto calls = pcsc.Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "Sleep(200)"), 1);
        EXPECT_EQ(calls.back(), "FreeMemory");
    }
    EXPECT_THAT(CallsOfClose(), ElementsAre("ReleaseContext"));
}

TEST_F(PollTest, FailedStateQuery_reportsItAndGoesOnWithThePresetState) {
    pcsc.statusResult = SCARD_E_TIMEOUT;
    pcsc.eventState = std::nullopt;

    EXPECT_EQ(reader.Poll(), NotPresent);

    EXPECT_EQ(pcsc.Output(), "Connect: Error en getStatusChange\n");
}

TEST_F(PollTest, OnlyTheFirstReaderOfTheListIsWatchedAndConnected) {
    pcsc.readerList = std::string("Reader A\0Reader B\0\0", 19);
    pcsc.eventState = SCARD_STATE_PRESENT;

    EXPECT_EQ(reader.Poll(), CardConnected);

    EXPECT_THAT(pcsc.Calls(), testing::Contains(kQuery));
    EXPECT_THAT(pcsc.Calls(), testing::Contains("Connect(Reader A, share 2, protocols 3)"));
}

TEST_F(PollTest, NoContext_givesContextFailedAndHoldsNothing) {
    pcsc.establishResult = SCARD_E_NO_SERVICE;

    EXPECT_EQ(reader.Poll(), ContextFailed);

    EXPECT_THAT(pcsc.timeline,
                ElementsAre("EstablishContext(2)", "> Failed SCardEstablishContext\n"));
    EXPECT_THAT(CallsOfClose(), IsEmpty());
}

TEST_F(PollTest, FailedContextThatHandsOutAHandle_releasesIt) {
    pcsc.establishResult = SCARD_F_INTERNAL_ERROR;
    pcsc.contextOnFailure = 0x77;

    EXPECT_EQ(reader.Poll(), ContextFailed);

    EXPECT_THAT(pcsc.Calls(), ElementsAre("EstablishContext(2)", "ReleaseContext"));
    EXPECT_TRUE(pcsc.HoldsNothing());
}

TEST_F(PollTest, NoReaders_givesNoReaderListSilentlyAndReleasesTheContext) {
    pcsc.listResult = SCARD_E_NO_READERS_AVAILABLE;
    pcsc.readerList = std::nullopt;

    EXPECT_EQ(reader.Poll(), NoReaderList);

    EXPECT_THAT(pcsc.timeline,
                ElementsAre("EstablishContext(2)", "ListReaders(all, allocate)", "ReleaseContext"));
    EXPECT_THAT(CallsOfClose(), IsEmpty());
}

TEST_F(PollTest, FailedListThatWasAllocatedAnyway_isFreedBeforeTheContextGoes) {
    pcsc.listResult = SCARD_E_NO_SERVICE;

    EXPECT_EQ(reader.Poll(), NoReaderList);

    EXPECT_THAT(pcsc.Calls(), ElementsAre("EstablishContext(2)", "ListReaders(all, allocate)",
                                          "FreeMemory", "ReleaseContext"));
    EXPECT_TRUE(pcsc.HoldsNothing());
}

TEST_F(PollTest, ListWithoutAUsableFirstName_givesNoReaderList) {
    // An empty list, and one whose first name does not end within the list.
    for (const std::string& list : {std::string(2, '\0'), std::string("Reader A")}) {
        pcsc.readerList = list;

        EXPECT_EQ(reader.Poll(), NoReaderList);

        EXPECT_EQ(pcsc.Calls().back(), "ReleaseContext");
        EXPECT_TRUE(pcsc.HoldsNothing());
    }
}

TEST_F(PollTest, CardRemovedBeforeConnecting_cancelsAndHoldsNothing) {
    pcsc.eventState = SCARD_STATE_PRESENT;
    pcsc.connectResult = SCARD_W_REMOVED_CARD;

    EXPECT_EQ(reader.Poll(), CardRemoved);

    EXPECT_THAT(
        pcsc.timeline,
        ElementsAre("EstablishContext(2)", "ListReaders(all, allocate)", kQuery, "Sleep(200)",
                    "> Estado del lector: present\n", "Connect(Reader A, share 2, protocols 3)",
                    "FreeMemory", "> La tarjeta inteligente se ha eliminado, conexion no posible\n",
                    "Cancel", "ReleaseContext"));
    EXPECT_THAT(CallsOfClose(), IsEmpty());
}

TEST_F(PollTest, OtherConnectFailures_giveConnectFailedWithoutCancel) {
    pcsc.eventState = SCARD_STATE_PRESENT;
    const std::vector<std::pair<LONG, std::string>> failures = {
        {SCARD_E_SHARING_VIOLATION, "No se puede acceder a la tarjeta, demasiadas conexiones\n"},
        {0x80100032, "Hacemos el default de connect"},  // inside the range, off the table
        {0x80100070, "Hacemos el default de connect"},  // beyond the last warning
        {0x00012345, "Hacemos el default de connect"},  // not a PC/SC code at all
    };
    for (const auto& [code, message] : failures) {
        SCOPED_TRACE(code);
        pcsc.timeline.clear();
        pcsc.connectResult = code;

        EXPECT_EQ(reader.Poll(), ConnectFailed);

        EXPECT_EQ(pcsc.timeline.end()[-2], "> " + message);
        EXPECT_EQ(pcsc.timeline.back(), "ReleaseContext");
        EXPECT_TRUE(pcsc.HoldsNothing());
    }
}

TEST_F(PollTest, FailedConnectThatHandsOutACard_disconnectsItToo) {
    pcsc.eventState = SCARD_STATE_PRESENT;
    pcsc.connectResult = SCARD_E_PROTO_MISMATCH;
    pcsc.cardOnFailure = 0x99;

    EXPECT_EQ(reader.Poll(), ConnectFailed);

    EXPECT_EQ(pcsc.Calls().end()[-2], "ReleaseContext");
    EXPECT_EQ(pcsc.Calls().back(), "Disconnect(0)");
    EXPECT_TRUE(pcsc.HoldsNothing());
}

TEST_F(PollTest, PollingAgain_releasesWhatTheLastPollHeldFirst) {
    pcsc.eventState = SCARD_STATE_PRESENT;
    ASSERT_EQ(reader.Poll(), CardConnected);
    pcsc.timeline.clear();
    pcsc.eventState = SCARD_STATE_EMPTY;

    EXPECT_EQ(reader.Poll(), NoCard);

    EXPECT_THAT(pcsc.Calls(), ElementsAre("ReleaseContext", "Disconnect(0)", "EstablishContext(2)",
                                          "ListReaders(all, allocate)", kQuery, "FreeMemory"));
}

TEST_F(PollTest, ReleaseCard_leavesTheCardAndKeepsTheContext) {
    pcsc.eventState = SCARD_STATE_PRESENT;
    ASSERT_EQ(reader.Poll(), CardConnected);
    pcsc.timeline.clear();

    reader.ReleaseCard();
    reader.ReleaseCard();

    EXPECT_THAT(pcsc.timeline, ElementsAre("Disconnect(0)"));
    EXPECT_THAT(CallsOfClose(), ElementsAre("ReleaseContext"));
}

TEST_F(PollTest, CloseOnAnEmptyReaderAndASecondClose_makeNoCall) {
    reader.Close();
    pcsc.eventState = SCARD_STATE_PRESENT;
    ASSERT_EQ(reader.Poll(), CardConnected);
    reader.Close();
    pcsc.timeline.clear();

    reader.Close();

    EXPECT_THAT(pcsc.timeline, IsEmpty());
    EXPECT_TRUE(pcsc.HoldsNothing());
}

TEST(CardReaderLifetime, Destruction_releasesWhatIsStillHeld) {
    ScriptedPcsc pcsc;
    pcsc.eventState = SCARD_STATE_PRESENT;
    {
        CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());
        ASSERT_EQ(reader.Poll(), CardConnected);
    }
    EXPECT_TRUE(pcsc.HoldsNothing());
    EXPECT_THAT(pcsc.faults, IsEmpty());
}

// The ends of both ranges of the table (where an index slips), the value pcsc-lite's
// header names differently, and the non-ASCII text.
TEST(ConnectMessages, TableCodes_writeTheirMessageAndGiveConnectFailedOrCardRemoved) {
    const std::vector<std::pair<LONG, std::string>> rows = {
        {0x80100001, "Fallo en comprobacion de consistencia interna\n"},
        {0x8010001F, "Error inesperado en la tarjeta\n"},
        {0x80100022, "Esta tarjeta no soporta esta orden\n"},
        {0x80100031, "Administrador de recursos de tarjeta demasiado ocupado\n"},
        {0x80100065, "El lector no puede comunicarse con la tarjeta debido a comflictos de ATR\n"},
        {0x80100069, "La tarjeta inteligente se ha eliminado, conexion no posible\n"},
        {0x8010006A, "\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\u00f1\n"},
        {0x8010006F, "El lector no puede comunicarse con la tarjeta debido a comflictos de ATR\n"},
    };
    for (const auto& [code, text] : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << code);
        ScriptedPcsc pcsc;
        pcsc.eventState = SCARD_STATE_PRESENT;
        pcsc.connectResult = code;
        CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());

        const ReaderEvent event = reader.Poll();

        EXPECT_EQ(event, code == SCARD_W_REMOVED_CARD ? CardRemoved : ConnectFailed);
        EXPECT_EQ(pcsc.Output(), "Estado del lector: present\n" + text);
        EXPECT_TRUE(pcsc.HoldsNothing());
    }
}

TEST(ConnectMessages, CodesBetweenTheRangesAndAroundThem_fallToTheDefault) {
    for (LONG code : {LONG{0x80100000}, LONG{0x80100032}, LONG{0x80100064}, LONG{0x80100070},
                      LONG{-1}, LONG{0}}) {
        EXPECT_EQ(ConnectFailureMessage(code), kUnknownConnectFailureMessage) << code;
    }
}

}  // namespace
