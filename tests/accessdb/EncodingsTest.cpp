#include <gtest/gtest.h>

#include "accessdb/Encodings.h"

using namespace accessdb;

namespace {
DoorSet Doors(std::initializer_list<int> numbers) {
    DoorSet doors{};
    for (int n : numbers) {
        doors[n - 1] = true;
    }
    return doors;
}
}  // namespace

// Door 8 is written without the comma the others get.
TEST(DoorList, BuildsTheStoredTextsAndReadsThemBack) {
    struct Case {
        DoorSet doors;
        const char* stored;
    } cases[] = {
        {Doors({1, 3}), "1,3,"},
        {Doors({8}), "8"},
        {Doors({}), ""},
        {Doors({2, 8}), "2,8"},
        {Doors({1, 2, 3, 4, 5, 6, 7, 8}), "1,2,3,4,5,6,7,8"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildDoorList(c.doors), c.stored);
        EXPECT_EQ(ReadDoorList(c.stored), c.doors) << c.stored;
    }
}

// A hand-filled file may hold other texts than the "0" and "1" the console writes.
TEST(Flags, SetExactlyWhenTheTextHoldsAOne) {
    EXPECT_TRUE(FlagIsSet("1"));
    EXPECT_TRUE(FlagIsSet(" 01"));
    EXPECT_FALSE(FlagIsSet("0"));
    EXPECT_FALSE(FlagIsSet(""));
    EXPECT_FALSE(FlagIsSet("si"));
}

TEST(RestrictionDate, ShortStoredTextsGiveEmptyPiecesInsteadOfReadingPastTheEnd) {
    const auto partial = ReadRestrictionDate("05/0");
    EXPECT_EQ(partial.day, "05");
    EXPECT_EQ(partial.month, "0");
    EXPECT_EQ(partial.year, "");
    const auto empty = ReadRestrictionDate("");
    EXPECT_EQ(empty.day, "");
    EXPECT_EQ(empty.year, "");
}

TEST(LeadingNumber, ReadsAsTheCLibraryDoes) {
    EXPECT_EQ(LeadingNumber(" 5"), 5);
    EXPECT_EQ(LeadingNumber("08"), 8);  // decimal, never octal
    EXPECT_EQ(LeadingNumber("14/"), 14);
    EXPECT_EQ(LeadingNumber("x1"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("2014"), 2014);
}
