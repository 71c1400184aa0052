#include <gtest/gtest.h>

#include <algorithm>

#include "controller/cycle/AccessLog.h"

using namespace tarvo;

namespace {

std::size_t Characters(std::string_view text) {
    return std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

TEST(AccessLogTest, TwentyFirstLinePushesOutTheOldest) {
    AccessLog log;
    std::string expected;
    for (int card = 1; card <= 21; ++card) {
        const std::string line = "\nline " + std::to_string(card) + "\r\n";
        log.Add(line);
        expected += card >= 2 ? line : "";
    }
    EXPECT_EQ(log.Count(), 20);
    EXPECT_EQ(log.Line(0), "\nline 2\r\n");
    EXPECT_EQ(log.JoinedText(), expected);
    log.Add(std::string(100, 'x'));
    EXPECT_EQ(log.Line(19).size(), AccessLog::kSlotCharacters);
}

TEST(AccessLogTest, LongNameIsShortenedByCharactersAndKeepsItsVerdictAndEnd) {
    const ClockFields fifth = ClockFields::FromClockText("Tue Mar  5 09:41:07 2024\n");
    for (bool permitted : {true, false}) {
        const std::string line =
            AccessLog::BuildLine(fifth, '8', "12345678",
                                 "Maximiliano Alejandro   Fernández-Villaverde", permitted, false);
        EXPECT_LE(Characters(line), AccessLog::kSlotCharacters);
        EXPECT_TRUE(line.ends_with(permitted ? "\tVALIDO\r\n" : "\tDENEGADO\r\n")) << line;
        EXPECT_NE(line.find("12345678   Maximiliano"), std::string::npos);
    }
    // Cut by characters, never inside one: the byte before the verdict is no lead byte.
    const std::string line = AccessLog::BuildLine(
        fifth, '8', "12345678", "Ñuñoa María José   Núñez Ibáñez Gómezá", false, false);
    EXPECT_EQ(Characters(line), AccessLog::kSlotCharacters);
    ASSERT_TRUE(line.ends_with("\tDENEGADO\r\n")) << line;
    EXPECT_LT(static_cast<unsigned char>(line[line.rfind('\t') - 1]), 0xC0) << line;
}

}  // namespace
