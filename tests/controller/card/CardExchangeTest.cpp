// Reading the student card: the commands sent, the statuses of each answer,
// and that no answer makes the reader read or write past a buffer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "ScriptedPcsc.h"
#include "controller/card/CardReader.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::string kSelectApplication = "Transmit(T0, 00 A4 04 00 07 50 20 00 FF 00 04 01, room 4)";
const std::string kSelectDniFile = "Transmit(T0, 00 A4 02 00 02 00 11, room 4)";
const std::string kReadDniFile = "Transmit(T0, 00 B0 00 00 0A, room 12)";
const std::string kFci = "6F 0B 84 07 50 20 00 FF 00 04 01 85 00";  // 13 bytes
const std::string kFcp = "62 06 80 02 00 0A 82 01 01 00";           // 10 bytes
const std::string kDniFile = "01 08 31 32 33 34 35 36 37 38";       // "..12345678"

std::vector<uint8_t> Bytes(const CardData& data) {
    return data.Empty() ? std::vector<uint8_t>{}
                        : std::vector<uint8_t>(data.Bytes(), data.Bytes() + data.Length());
}

class ExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pcsc.eventState = SCARD_STATE_PRESENT;
        ASSERT_EQ(reader.Poll(), CardConnected);
        pcsc.timeline.clear();
        pcsc.Out().flush();
        m_outputBefore = pcsc.Output().size();
    }
    ~ExchangeTest() override { EXPECT_THAT(pcsc.faults, IsEmpty()); }

    // What the exchange wrote, without the lines of the poll.
    std::string Output() const { return pcsc.Output().substr(m_outputBefore); }

    // Answers the application SELECT and its GET RESPONSE as a student card does.
    void ApplicationSelected() { pcsc.Answers({"61 0D", kFci + " 90 00"}); }

    ScriptedPcsc pcsc;
    CardReader reader{pcsc, pcsc.Out(), pcsc.Pauses()};

  private:
    size_t m_outputBefore = 0;
};

TEST_F(ExchangeTest, StudentCard_givesTheTenFileBytesAndA0Byte_andClosesTheReader) {
    ApplicationSelected();
    pcsc.Answers({"61 0A", kFcp + " 90 00", kDniFile + " 90 00"});
    CardData dni;

    EXPECT_EQ(reader.ReadDni(dni), 1);

    EXPECT_EQ(Bytes(dni), FromHex(kDniFile + " 00"));
    EXPECT_STREQ(reinterpret_cast<const char*>(dni.Bytes()) + 2, "12345678");
    EXPECT_THAT(
        pcsc.timeline,
        ElementsAre(kSelectApplication, "Transmit(T0, 00 C0 00 00 0D, room 15)", "BeginTransaction",
                    kSelectDniFile, "Transmit(T0, 00 C0 00 00 0A, room 12)", kReadDniFile,
                    "EndTransaction(0)", "ReleaseContext", "Disconnect(0)"));
    EXPECT_EQ(Output(), "");
    pcsc.timeline.clear();
    reader.Close();
    EXPECT_THAT(pcsc.timeline, IsEmpty());
    EXPECT_TRUE(pcsc.HoldsNothing());
}

TEST_F(ExchangeTest, DniFileSelectAnswered9000_asksForNoBytesAndNeeds9000ToThat) {
    ApplicationSelected();
    pcsc.Answers({"90 00", "90 00", kDniFile + " 90 00"});
    CardData dni;

    EXPECT_EQ(reader.ReadDni(dni), 1);
    EXPECT_THAT(pcsc.Calls(), testing::Contains("Transmit(T0, 00 C0 00 00 00, room 2)"));

    ScriptedPcsc other;
    other.eventState = SCARD_STATE_PRESENT;
    CardReader second(other, other.Out(), other.Pauses());
    ASSERT_EQ(second.Poll(), CardConnected);
    other.Answers({"61 0D", kFci + " 90 00", "90 00", "6A 86"});
    EXPECT_EQ(second.ReadDni(dni), -2);
    EXPECT_EQ(Bytes(dni), FromHex(kDniFile + " 00"));  // the earlier result stays as it was
}

TEST_F(ExchangeTest, NonDigitDniBytes_areReturnedUnchanged) {
    ApplicationSelected();
    pcsc.Answers({"61 0A", kFcp + " 90 00", "FF 00 41 42 20 2D 00 39 C3 B1 90 00"});
    CardData dni;

    EXPECT_EQ(reader.ReadDni(dni), 1);

    EXPECT_EQ(Bytes(dni), FromHex("FF 00 41 42 20 2D 00 39 C3 B1 00"));
}

TEST_F(ExchangeTest, ApplicationSelectAnswered9000_isNotAStudentCard) {
    pcsc.Answers({"90 00"});
    CardData dni;

    EXPECT_EQ(reader.ReadDni(dni), -1);

    EXPECT_THAT(pcsc.timeline, ElementsAre(kSelectApplication));
    EXPECT_TRUE(dni.Empty());
    pcsc.timeline.clear();
    reader.Close();  // still connected: the cycle's close releases both
    EXPECT_THAT(pcsc.timeline, ElementsAre("ReleaseContext", "Disconnect(0)"));
}

TEST_F(ExchangeTest, ApplicationSelectRefusedOrNotSent_givesMinus1Silently) {
    pcsc.Answers({"6A 82"});
    pcsc.answers.push_back({SCARD_W_REMOVED_CARD, {}, std::nullopt});
    CardData dni;

    EXPECT_EQ(reader.ReadDni(dni), -1);
    EXPECT_EQ(reader.ReadDni(dni), -1);

    EXPECT_EQ(Output(), "");
    EXPECT_THAT(pcsc.Calls(), ElementsAre(kSelectApplication, kSelectApplication));
}

TEST_F(ExchangeTest, ShortGetResponseAnswer_writesItsTwoBytesAndFails) {
    pcsc.Answers({"61 10", "6C 10"});

    EXPECT_EQ(reader.SelectApplication(), -4);

    EXPECT_EQ(Output(),
              "Error en getResponse codigos hex: 6c, 10\n"
              "Error al obtener el getResponse: 27664\n");  // 0x6C10
}

TEST_F(ExchangeTest, GetResponseStatuses) {
    std::array<uint8_t, 4> destination{};
    pcsc.answers.push_back({SCARD_E_COMM_DATA_LOST, {}, std::nullopt});
    EXPECT_EQ(reader.GetResponse(4, destination), SCARD_E_COMM_DATA_LOST);
    EXPECT_EQ(Output(), "GetResponse-Error en transmit\n");

    pcsc.Answers({"01 02 03 04 6A 82", "01 02 03 04 90 00"});
    EXPECT_EQ(reader.GetResponse(4, destination), 0x6A82);
    EXPECT_EQ(destination, (std::array<uint8_t, 4>{}));  // nothing copied on a refusal
    EXPECT_EQ(reader.GetResponse(4, destination), 0);
    EXPECT_EQ(destination, (std::array<uint8_t, 4>{1, 2, 3, 4}));
}

TEST_F(ExchangeTest, ReadBinaryWithOnlyStatusBytes_givesMinus2AndEndsTheTransaction) {
    ApplicationSelected();
    pcsc.Answers({"61 0A", kFcp + " 90 00", "6B 00"});
    CardData dni;

    EXPECT_EQ(reader.ReadDni(dni), -2);

    EXPECT_EQ(pcsc.Calls().end()[-2], kReadDniFile);
    EXPECT_EQ(pcsc.Calls().back(), "EndTransaction(0)");
    EXPECT_EQ(Output(), "");  // READ BINARY reports nothing itself

    std::array<uint8_t, 10> file{};
    pcsc.Answers({"6B 00"});
    EXPECT_EQ(reader.ReadBinary(10, 0, file), 0x6B00);
}

TEST_F(ExchangeTest, DniFileSelectRefused_endsTheTransactionAndKeepsTheCard) {
    ApplicationSelected();
    pcsc.Answers({"6A 82"});
    CardData dni;

    EXPECT_EQ(reader.ReadDni(dni), -2);

    EXPECT_THAT(pcsc.Calls(), testing::IsSupersetOf({"BeginTransaction", "EndTransaction(0)"}));
    EXPECT_FALSE(pcsc.HoldsNothing());
}

TEST_F(ExchangeTest, ReadBinary_putsTheOffsetIntoP1AndP2) {
    std::array<uint8_t, 2> destination{};
    pcsc.Answers({"AA BB 90 00"});

    EXPECT_EQ(reader.ReadBinary(2, 0x8123, destination), 0);

    EXPECT_EQ(pcsc.Calls().back(), "Transmit(T0, 00 B0 01 23 02, room 4)");
    EXPECT_EQ(destination, (std::array<uint8_t, 2>{0xAA, 0xBB}));
}

// The status formula gives 0 for status bytes 00 00; such an answer must still fail.
TEST_F(ExchangeTest, StatusBytes0000_neverCountAsSuccess) {
    std::array<uint8_t, 10> file{};

    pcsc.Answers({"00 00"});  // unexpected length, first two bytes 0
    EXPECT_EQ(reader.ReadBinary(10, 0, file), kStatusMalformedAnswer);
    pcsc.Answers({"00 00 00 00 00 00 00 00 00 00 00 00"});  // right length, trailer 00 00
    EXPECT_EQ(reader.ReadBinary(10, 0, file), kStatusMalformedAnswer);
    pcsc.Answers({"00"});
    EXPECT_EQ(reader.GetResponse(10, file), kStatusMalformedAnswer);
    EXPECT_EQ(Output(), "Error en getResponse codigos hex: 00, 00\n");

    pcsc.Answers({"00 00"});
    EXPECT_EQ(reader.SelectApplication(), -1);

    ApplicationSelected();
    pcsc.Answers({"61 0A", kFcp + " 90 00", "31 32 33 34 35 36 37 38 39 30 00 00"});
    CardData dni;
    EXPECT_EQ(reader.ReadDni(dni), -2);
    EXPECT_TRUE(dni.Empty());
}

TEST_F(ExchangeTest, AnswersWithoutAStatusWord_failWithoutReadingPastThem) {
    CardData received;
    const CardData command(FromHex("00 A4 04 00").data(), 4);
    for (const char* answer : {"", "61"}) {
        pcsc.Answers({answer});
        EXPECT_EQ(reader.Transmit(command, received), kStatusMalformedAnswer) << answer;
        EXPECT_EQ(received.Length(), std::string(answer).size() / 2);
    }
}

TEST_F(ExchangeTest, AnswersLongerThanTheBuffer_failWhateverLengthIsClaimed) {
    CardData received;
    const CardData command(FromHex("00 A4 04 00").data(), 4);
    pcsc.Answers({"01 02 03 04 90 00"});  // pcsc-lite refuses to overrun
    EXPECT_EQ(reader.Transmit(command, received), SCARD_E_INSUFFICIENT_BUFFER);

    // A platform that reports more than it could have written is not believed.
    pcsc.answers.push_back({SCARD_S_SUCCESS, FromHex("90 00 00 00"), DWORD{4000}});
    EXPECT_EQ(reader.Transmit(command, received), kStatusMalformedAnswer);
    EXPECT_TRUE(received.Empty());

    std::array<uint8_t, 10> file{};
    pcsc.answers.push_back({SCARD_S_SUCCESS, FromHex(kDniFile + " 90 00"), DWORD{0xFFFFFFFF}});
    EXPECT_NE(reader.ReadBinary(10, 0, file), 0);
    EXPECT_EQ(file, (std::array<uint8_t, 10>{}));
}

TEST_F(ExchangeTest, DestinationSmallerThanTheCount_isRefusedBeforeAnyCall) {
    std::array<uint8_t, 4> destination{};

    EXPECT_EQ(reader.GetResponse(5, destination), kStatusNoBuffer);
    EXPECT_EQ(reader.ReadBinary(10, 0, destination), kStatusNoBuffer);

    EXPECT_THAT(pcsc.timeline, IsEmpty());
}

TEST(ExchangeWithoutCard, ReadDni_failsWithoutAnyCall) {
    ScriptedPcsc pcsc;
    CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());
    CardData dni;

    EXPECT_EQ(reader.ReadDni(dni), -1);
    std::array<uint8_t, 10> file{};
    uint32_t length = 0;
    EXPECT_EQ(reader.ReadDniFile(file, length), SCARD_E_INVALID_HANDLE);

    EXPECT_THAT(pcsc.timeline, IsEmpty());
}

TEST(CardDataTest, OwnsACopyOfItsSource) {
    std::vector<uint8_t> source = {1, 2, 3};
    CardData data(source.data(), 3);
    source[0] = 9;

    EXPECT_EQ(Bytes(data), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(CardData().Bytes(), nullptr);
    EXPECT_TRUE(CardData(source.data(), 0).Empty());
}

}  // namespace
