#include <gtest/gtest.h>

#include "accessdb/Encodings.h"
#include "accessdb/StudentTerms.h"

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
        EXPECT_EQ(StudentTerms::DoorsOf(Marks(c.stored)), c.doors) << c.stored;
    }
}

// The console reads a whole text; the controller only the characters it keeps (19 of a door
// list, 7 of a flag), counted as its copy counts them: a lead byte claims the bytes after it,
// and an unfinished sequence at the end is not kept.
TEST(Marks, ADigitCountsWhereverItStandsOrWithinTheCharactersKept) {
    struct Case {
        std::string stored;
        char digit;
        bool anywhere;
        bool withinFour;
    } cases[] = {
        {"1,3,", '3', true, true},
        {"1,2,3", '3', true, false},
        {"ñ,ñ,5", '5', true, false},
        {"ñ,5", '5', true, true},
        {"\xC3"
         "5",
         '5', true, true},  // the 5 inside the character the lead claims
        {"12\xE2"
         "5",
         '5', true, false},  // an unfinished sequence at the end: not kept
        {"", '0', false, false},
        {"10", '0', true, true},
    };
    for (const Case& c : cases) {
        const Marks marks(c.stored);
        EXPECT_EQ(marks.Has(c.digit), c.anywhere) << c.stored;
        EXPECT_EQ(marks.Has(c.digit, 4), c.withinFour) << c.stored;
    }
}

// A hand-filled file may hold other texts than the "0" and "1" the console writes.
TEST(Flags, SetExactlyWhenTheTextHoldsAOne) {
    for (const char* set : {"1", " 01"}) {
        EXPECT_TRUE(StudentTerms::IsSet(Marks(set))) << set;
    }
    for (const char* unset : {"0", "", "si"}) {
        EXPECT_FALSE(StudentTerms::IsSet(Marks(unset))) << unset;
    }
}

TEST(RestrictionDate, ShortStoredTextsGiveEmptyPiecesInsteadOfReadingPastTheEnd) {
    const auto partial = PeriodDate{"05/0"}.Pieces();
    EXPECT_EQ(partial.day, "05");
    EXPECT_EQ(partial.month, "0");
    EXPECT_EQ(partial.year, "");
    const auto empty = PeriodDate{""}.Pieces();
    EXPECT_EQ(empty.day, "");
    EXPECT_EQ(empty.year, "");
}

// The same reading as the engines' own of Fecha, for the key of a station's record.
TEST(DayOfDate, ReadsTheControllersDatesAndNothingElse) {
    EXPECT_EQ(DayOfDate(" 5/03/2024"), "2024-03-05");
    EXPECT_EQ(DayOfDate("31/12/2023"), "2023-12-31");
    for (const char* other :
         {"", "5/03/2024", "05-03-2024", "45/03/2024", "05/23/2024", " 5/03/24", "05/03/2024 "}) {
        EXPECT_EQ(DayOfDate(other), "") << other;
    }
}

TEST(LeadingNumber, ReadsAsTheCLibraryDoes) {
    EXPECT_EQ(LeadingNumber(" 5"), 5);
    EXPECT_EQ(LeadingNumber("08"), 8);  // decimal, never octal
    EXPECT_EQ(LeadingNumber("14/"), 14);
    EXPECT_EQ(LeadingNumber("x1"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("2014"), 2014);
}
