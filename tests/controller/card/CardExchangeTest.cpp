// Reading the student card: the commands sent, the result of each answer, and
// that no answer makes the reader read or write past a buffer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "ScriptedPcsc.h"
#include "controller/card/CardReader.h"

using namespace tarvo;

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

const std::string kSelectApplication = "Transmit(00 A4 04 00 07 50 20 00 FF 00 04 01 room 4)";
const std::string kGetFci = "Transmit(00 C0 00 00 0D room 15)";
const std::string kFci = "6F 0B 84 07 50 20 00 FF 00 04 01 85 00 90 00";
const std::string kFcp = "62 06 80 02 00 0A 82 01 01 00 90 00";
const std::string kDni = "01 08 31 32 33 34 35 36 37 38";  // "..12345678"
const std::string kLost = "lost";                          // SCardTransmit itself fails
const std::vector<std::string> kToFile = {kSelectApplication, kGetFci, "BeginTransaction",
                                          "Transmit(00 A4 02 00 02 00 11 room 4)"};
const std::vector<std::string> kToRead = {"Transmit(00 C0 00 00 0A room 12)",
                                          "Transmit(00 B0 00 00 0A room 12)", "EndTransaction(0)"};
const std::vector<std::string> kClosed = {"ReleaseContext", "Disconnect(0)"};

std::string GetResponseFailed(LONG status) {
    return "> Error al obtener el getResponse: " + std::to_string(status) + "\n";
}

struct ReadCase {
    const char* name;
    std::vector<std::string> answers;
    int result;
    std::string dni;  // hex
    std::vector<std::string> timeline;
};

const std::vector<std::string> kFailedRead = Then(kToFile, kToRead);
const std::vector<std::string> kWholeRead = Then(kFailedRead, kClosed);
const std::vector<std::string> kSelectOnly = {kSelectApplication};
// A student card's answers up to READ BINARY, then this one to it.
std::vector<std::string> ReadBinaryAnswered(const std::string& last) {
    return {"61 0D", kFci, "61 0A", kFcp, last};
}

// clang-format off
const std::vector<ReadCase> kReads = {
    {"student card", ReadBinaryAnswered(kDni + " 90 00"), 1, kDni + " 00", kWholeRead},
    {"non-digit bytes are returned unchanged",
     ReadBinaryAnswered("FF 00 41 42 20 2D 00 39 C3 B1 90 00"), 1,
     "FF 00 41 42 20 2D 00 39 C3 B1 00", kWholeRead},
    {"file select answered 90 00: GET RESPONSE for no bytes",
     {"61 0D", kFci, "90 00", "90 00", kDni + " 90 00"}, 1, kDni + " 00",
     Then(Then(kToFile, {"Transmit(00 C0 00 00 00 room 2)", kToRead[1], kToRead[2]}), kClosed)},
    {"application select answered 90 00: not a student card", {"90 00"}, -1, "", kSelectOnly},
    {"application select refused, silently", {"6A 82"}, -1, "", kSelectOnly},
    {"application select not sent", {kLost}, -1, "", kSelectOnly},
    {"GET RESPONSE not sent", {"61 0D", kLost}, -1, "",
     {kSelectApplication, kGetFci, "> GetResponse-Error en transmit\n",
      GetResponseFailed(SCARD_E_COMM_DATA_LOST)}},
    {"short GET RESPONSE answer", {"61 10", "6C 10"}, -1, "",
     {kSelectApplication, "Transmit(00 C0 00 00 10 room 18)",
      "> Error en getResponse codigos hex: 6c, 10\n", GetResponseFailed(0x6C10)}},
    {"file select refused", {"61 0D", kFci, "6A 82"}, -2, "", Then(kToFile, {"EndTransaction(0)"})},
    {"READ BINARY refused, silently", ReadBinaryAnswered("6B 00"), -2, "", kFailedRead},
    // The status formula gives 0, a success, for status bytes 00 00.
    {"00 00 to the application select", {"00 00"}, -1, "", kSelectOnly},
    {"one byte to GET RESPONSE", {"61 0D", "00"}, -1, "",
     {kSelectApplication, kGetFci, "> Error en getResponse codigos hex: 00, 00\n",
      GetResponseFailed(kStatusMalformedAnswer)}},
    {"00 00 alone to READ BINARY", ReadBinaryAnswered("00 00"), -2, "", kFailedRead},
    {"00 00 after the ten bytes of READ BINARY",
     ReadBinaryAnswered("31 32 33 34 35 36 37 38 39 30 00 00"), -2, "", kFailedRead},
};
// clang-format on

// A read that fails leaves the reader connected, for the cycle's close.
TEST(ExchangeTest, ReadDni_givesTheResultOfEachStage) {
    for (const auto& row : kReads) {
        SCOPED_TRACE(row.name);
        ScriptedPcsc pcsc({.eventState = SCARD_STATE_PRESENT});
        CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());
        ASSERT_EQ(reader.Poll(), CardConnected);
        pcsc.timeline.clear();
        for (const auto& answer : row.answers) {
            pcsc.answers.push_back({answer == kLost ? SCARD_E_COMM_DATA_LOST : SCARD_S_SUCCESS,
                                    FromHex(answer == kLost ? "" : answer), std::nullopt});
        }
        CardData dni;

        EXPECT_EQ(reader.ReadDni(dni), row.result);

        EXPECT_EQ(std::vector(dni.Bytes(), dni.Bytes() + dni.Length()), FromHex(row.dni));
        EXPECT_THAT(pcsc.timeline, ElementsAreArray(row.timeline));
        EXPECT_EQ(pcsc.HoldsNothing(), row.result == 1);
        EXPECT_TRUE(pcsc.answers.empty());
        EXPECT_THAT(pcsc.faults, IsEmpty());
    }
}

// Nothing is copied unless the whole answer came with 90 00, and no length the
// platform reports is believed beyond the buffer.
TEST(ExchangeTest, Answers_areNeverTrustedBeyondWhatTheyHold) {
    ScriptedPcsc pcsc({.eventState = SCARD_STATE_PRESENT});
    CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());
    CardData dni;
    std::array<uint8_t, 10> file{};
    uint32_t length = 0;
    EXPECT_EQ(reader.ReadDni(dni), -1);  // no card: nothing is sent
    EXPECT_EQ(reader.ReadDniFile(file, length), SCARD_E_INVALID_HANDLE);
    EXPECT_THAT(pcsc.timeline, IsEmpty());

    ASSERT_EQ(reader.Poll(), CardConnected);
    CardData received;
    const CardData command(FromHex("00 A4 04 00").data(), 4);
    for (const std::string answer : {"", "61"}) {
        pcsc.Answers({answer});
        EXPECT_EQ(reader.Transmit(command, received), kStatusMalformedAnswer) << answer;
        EXPECT_EQ(received.Length(), answer.size() / 2);
    }
    pcsc.Answers({"01 02 03 04 90 00"});  // pcsc-lite refuses to overrun
    EXPECT_EQ(reader.Transmit(command, received), SCARD_E_INSUFFICIENT_BUFFER);
    pcsc.answers.push_back({SCARD_S_SUCCESS, FromHex("90 00 00 00"), DWORD{4000}});
    EXPECT_EQ(reader.Transmit(command, received), kStatusMalformedAnswer);
    EXPECT_TRUE(received.Empty());

    std::array<uint8_t, 4> four{};
    pcsc.answers.push_back({SCARD_S_SUCCESS, FromHex("01 02 03 04 90 00"), DWORD{0xFFFFFFFF}});
    EXPECT_NE(reader.GetResponse(4, four), 0);
    pcsc.Answers({"01 02 03 04 6A 82"});
    EXPECT_EQ(reader.GetResponse(4, four), 0x6A82);
    EXPECT_EQ(four, (std::array<uint8_t, 4>{}));
    EXPECT_EQ(reader.GetResponse(5, four), kStatusNoBuffer);  // refused before any call
    EXPECT_EQ(reader.ReadBinary(10, 0, four), kStatusNoBuffer);

    pcsc.Answers({"AA BB 90 00"});
    EXPECT_EQ(reader.ReadBinary(2, 0x8123, four), 0);  // the offset's top bit is dropped
    EXPECT_EQ(pcsc.timeline.back(), "Transmit(00 B0 01 23 02 room 4)");
    EXPECT_EQ(four, (std::array<uint8_t, 4>{0xAA, 0xBB, 0, 0}));
    EXPECT_TRUE(pcsc.answers.empty());
    EXPECT_THAT(pcsc.faults, IsEmpty());
}

}  // namespace
