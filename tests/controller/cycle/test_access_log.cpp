#include <gtest/gtest.h>

#include "controller/cycle/AccessLog.h"

namespace {

const ClockFields kFifth = ClockFields::FromClockText("Tue Mar  5 09:41:07 2024\n");

std::size_t Characters(std::string_view text) {
    std::size_t count = 0;
    for (unsigned char c : text) {
        count += (c & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

// Every multi-byte sequence complete: the cut did not split a character.
bool IsWholeUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

TEST(AccessLogLineTest, CarriesEveryPartAndTheVerdictOfTheOutcome) {
    EXPECT_EQ(AccessLog::BuildLine(kFifth, '3', "12345678", "Ana   Pérez", true, false),
              "\n 5/03/2024   09:41:07   Entrada 3   12345678   Ana   Pérez\tVALIDO\r\n");
    EXPECT_EQ(AccessLog::BuildLine(kFifth, '3', "12345678", "Ana   Pérez", false, false),
              "\n 5/03/2024   09:41:07   Entrada 3   12345678   Ana   Pérez\tDENEGADO\r\n");
    EXPECT_EQ(AccessLog::BuildLine(kFifth, '3', "12345678", "Acceso denegado", true, true),
              "\n 5/03/2024   09:41:07   Entrada 3   12345678   Acceso denegado\r\n");
}

TEST(AccessLogLineTest, LongNameIsShortenedSoTheLineKeepsItsVerdictAndEnd) {
    const std::string longName = "Maximiliano Alejandro   Fernández-Villaverde";  // > 39
    for (bool permitted : {true, false}) {
        const std::string line =
            AccessLog::BuildLine(kFifth, '8', "12345678", longName, permitted, false);
        EXPECT_LE(Characters(line), AccessLog::kSlotCharacters);
        EXPECT_TRUE(line.ends_with(permitted ? "\tVALIDO\r\n" : "\tDENEGADO\r\n")) << line;
        EXPECT_NE(line.find("12345678   Maximiliano"), std::string::npos);
    }
    // A 39-character name with accents: shortened by characters, never inside one.
    const std::string accented = "Ñuñoa María José   Núñez Ibáñez Gómezá";
    const std::string line = AccessLog::BuildLine(kFifth, '8', "12345678", accented, false, false);
    EXPECT_EQ(Characters(line), AccessLog::kSlotCharacters);
    EXPECT_TRUE(line.ends_with("\tDENEGADO\r\n"));
    EXPECT_TRUE(IsWholeUtf8(line)) << line;
}

TEST(AccessLogTest, TwentyFirstLinePushesOutTheOldest) {
    AccessLog log;
    std::string expected;
    for (int card = 1; card <= 21; ++card) {
        const std::string line = "\nline " + std::to_string(card) + "\r\n";
        log.Add(line);
        if (card >= 2) {
            expected += line;
        }
    }
    EXPECT_EQ(log.Count(), 20);
    EXPECT_EQ(log.Line(0), "\nline 2\r\n");
    EXPECT_EQ(log.Line(19), "\nline 21\r\n");
    EXPECT_EQ(log.JoinedText(), expected);
}

TEST(AccessLogTest, StoredLinesNeverExceedTheSlot) {
    AccessLog log;
    log.Add(std::string(100, 'x'));
    EXPECT_EQ(log.Line(0).size(), AccessLog::kSlotCharacters);
}

}  // namespace
