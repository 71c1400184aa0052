// The texts both windows show: characters counted as the forms count them, the CR LF boxes,
// the sorted lists' comparisons, and a template's controls found by identifier.
#include <gtest/gtest.h>

#include <array>

#include "common/DisplayLines.h"
#include "common/FormTemplate.h"
#include "common/IgnoringCase.h"
#include "common/Utf8.h"

namespace {

TEST(CharacterCountTest, CountsCharactersNotBytes) {
    EXPECT_EQ(common::CharacterCount(""), 0u);
    EXPECT_EQ(common::CharacterCount("12345678"), 8u);
    EXPECT_EQ(common::CharacterCount("Núñez"), 5u);                   // two 2-byte letters
    EXPECT_EQ(common::CharacterCount("Acceso a entrada nº 3"), 21u);  // "º" as the history has it
    EXPECT_EQ(common::CharacterCount("\xE2\x82\xAC\xF0\x9F\x94\x91"), 2u);  // 3- and 4-byte
}

// The controller's log: every entry begins with LF and ends with CR LF; shown one per line.
// Only CR LF breaks a line, and a history comes back as it was stored.
TEST(DisplayLinesTest, OnlyCrLfBreaksALineAndHistoryComesBackAsStored) {
    EXPECT_EQ(
        common::ToDisplayLines("\n09:41:07   Ana Pérez\tVALIDO\r\n\n09:42:00   Luis\tDENEGADO\r\n"),
        "09:41:07   Ana Pérez\tVALIDO\n09:42:00   Luis\tDENEGADO\n");
    EXPECT_EQ(common::ToDisplayLines("a\rb\nc\r\nd\r"), "abc\nd");
    EXPECT_EQ(common::ToDisplayLines("\r\n\r\n"), "\n\n");

    const std::string history =
        "15/03/2026  10:20:30  Acceso a entrada nº 3\r\n 5/04/2026  08:00:00  Acceso a entrada nº "
        "1\r\n";
    EXPECT_EQ(common::FromDisplayLines(common::ToDisplayLines(history)), history);
    EXPECT_EQ(common::FromDisplayLines("x\ny"), "x\r\ny");
}

// UTF-8 letters are not folded: "Ñ" and "ñ" stay apart, and sort after every ASCII letter.
TEST(IgnoringCaseTest, LettersAToZCompareWithoutCaseAndOtherBytesAsTheyAre) {
    EXPECT_TRUE(common::EqualIgnoringCase("Alumnos.MDB", "alumnos.mdb"));
    EXPECT_FALSE(common::EqualIgnoringCase("Alumnos.mdb", "Alumnos.mdb "));
    EXPECT_TRUE(common::LessIgnoringCase("abc", "ABD"));
    EXPECT_FALSE(common::LessIgnoringCase("ABD", "abc"));
    EXPECT_FALSE(common::LessIgnoringCase("Mes", "mes"));
    EXPECT_FALSE(common::LessIgnoringCase("mes", "Mes"));
    EXPECT_TRUE(common::LessIgnoringCase("", " "));  // a shorter text before its extensions
    EXPECT_TRUE(common::LessIgnoringCase(" ", "01"));
    EXPECT_TRUE(common::StartsWithIgnoringCase("Mes", "mE"));
    EXPECT_TRUE(common::StartsWithIgnoringCase("05", ""));
    EXPECT_FALSE(common::StartsWithIgnoringCase("Me", "Mes"));
    EXPECT_FALSE(common::EqualIgnoringCase("Ñ", "ñ"));
    EXPECT_TRUE(common::LessIgnoringCase("z", "ñ"));
}

TEST(FormTemplateTest, FindsAControlByItsIdentifier) {
    using common::ControlKind;
    static constexpr std::array controls{
        common::ControlTemplate{
            common::kUnnamedControl, ControlKind::Label, "DNI", {1, 2, 3, 4}, 0},
        common::ControlTemplate{1005, ControlKind::Edit, "", {5, 6, 7, 8}, common::kStyleBorder},
    };
    constexpr common::FormTemplate form{101, 320, 269, "", "MS Shell Dlg", 8, controls};
    ASSERT_NE(form.Find(1005), nullptr);
    EXPECT_TRUE(form.Find(1005)->Has(common::kStyleBorder));
    EXPECT_FALSE(form.Find(1005)->Has(common::kStyleReadOnly));
    EXPECT_EQ(form.Find(1006), nullptr);
}

}  // namespace
