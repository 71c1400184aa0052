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

TEST(DoorList, PermitsADoorWhoseDigitOccursAnywhere) {
    EXPECT_TRUE(DoorListPermits("1,3,5,", '3'));
    EXPECT_FALSE(DoorListPermits("1,3,5,", '2'));
    EXPECT_TRUE(DoorListPermits("135", '5'));  // separators do not matter
    EXPECT_FALSE(DoorListPermits("", '1'));
    EXPECT_FALSE(DoorListPermits("1,2,3,4,5,6,7,8", '0'));  // no door selected
}

TEST(Flags, SetExactlyWhenTheTextHoldsAOne) {
    EXPECT_EQ(FlagText(true), "1");
    EXPECT_EQ(FlagText(false), "0");
    EXPECT_TRUE(FlagIsSet("1"));
    EXPECT_TRUE(FlagIsSet(" 01"));
    EXPECT_FALSE(FlagIsSet("0"));
    EXPECT_FALSE(FlagIsSet(""));
    EXPECT_FALSE(FlagIsSet("si"));
}

TEST(RestrictionDate, BuildsDdMmYyAndReadsByPosition) {
    EXPECT_EQ(BuildRestrictionDate("05", "03", "14"), "05/03/14");
    EXPECT_EQ(BuildRestrictionDate("31", "12", "14"), "31/12/14");
    const auto parts = ReadRestrictionDate("31/12/14");
    EXPECT_EQ(parts.day, "31");
    EXPECT_EQ(parts.month, "12");
    EXPECT_EQ(parts.year, "14");
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

TEST(AccessDate, PadsTheDayWithASpace) {
    EXPECT_EQ(BuildAccessDate(5, 7, 2014), " 5/07/2014");
    EXPECT_EQ(BuildAccessDate(15, 7, 2014), "15/07/2014");
    EXPECT_EQ(BuildAccessDate(5, 7, 2014).size(), 10u);
}

TEST(LeadingNumber, ReadsAsTheCLibraryDoes) {
    EXPECT_EQ(LeadingNumber(" 5"), 5);
    EXPECT_EQ(LeadingNumber("08"), 8);
    EXPECT_EQ(LeadingNumber("14/"), 14);
    EXPECT_EQ(LeadingNumber("x1"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("2014"), 2014);
}

TEST(Dni, ValidOnlyAsEightAsciiDigits) {
    EXPECT_TRUE(IsValidDni("01234567"));
    EXPECT_FALSE(IsValidDni("1234567"));
    EXPECT_FALSE(IsValidDni("123456789"));
    EXPECT_FALSE(IsValidDni("1234567A"));
    EXPECT_FALSE(IsValidDni("1 OR 1=1"));
    EXPECT_FALSE(IsValidDni(" 1234567"));
    EXPECT_FALSE(IsValidDni(std::string_view("1234\0567", 8)));
}
