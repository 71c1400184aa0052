// The small rules the form and its widgets share: list order and look-up, line breaks of the
// history box, character counts, dialog units.
#include <gtest/gtest.h>

#include <set>

#include "console/commands/DialogUnits.h"
#include "console/commands/DisplayText.h"
#include "console/commands/FormTemplate.h"
#include "console/commands/ListEntries.h"

namespace mireval {
namespace {

TEST(ListEntries, SortBlankEntriesFirstAndFindTheFirstEntryByItsBeginning) {
    std::vector<std::string> entries;
    for (const char* entry : {"12", " ", "01", "", "10"}) {
        entries.insert(
            entries.begin() + static_cast<std::ptrdiff_t>(SortedInsertPosition(entries, entry)),
            entry);
    }
    EXPECT_EQ(entries, (std::vector<std::string>{"", " ", "01", "10", "12"}));
    EXPECT_EQ(FindEntryStartingWith(entries, ""), 0u);
    EXPECT_EQ(FindEntryStartingWith(entries, " "), 1u);
    EXPECT_EQ(FindEntryStartingWith(entries, "1"), 3u);
    EXPECT_EQ(FindEntryStartingWith(entries, "5/"), std::nullopt);
    EXPECT_EQ(FindEntryStartingWith(entries, "123"), std::nullopt);
}

TEST(DisplayText, HistoryLinesBreakAtCrLfOnlyAndComeBackUnchanged) {
    const std::string history =
        "15/03/2014  10:20:30  Acceso a entrada nº 3\r\n"
        " 5/04/2014  08:00:00  Acceso a entrada nº 1\r\n";
    const std::string shown = ToDisplayLines(history);
    EXPECT_EQ(shown,
              "15/03/2014  10:20:30  Acceso a entrada nº 3\n"
              " 5/04/2014  08:00:00  Acceso a entrada nº 1\n");
    EXPECT_EQ(FromDisplayLines(shown), history);
    EXPECT_EQ(ToDisplayLines("\nlinea\r\n"), "linea\n");  // a lone LF starts no line
}

TEST(DisplayText, CountsCharactersNotBytes) {
    EXPECT_EQ(CharacterCount("1234567ñ"), 8u);
    EXPECT_EQ(CharacterCount("Este usuario no tiene accesos registrados en su historial"), 57u);
    EXPECT_EQ(CharacterCount(""), 0u);
}

TEST(DialogUnits, ConvertWithTheFontsBaseUnitsRoundingToTheNearestPixel) {
    const BaseUnits units{7, 16};
    const PixelRect name = ToPixels(RegistrationFormTemplate().Find(1002)->rect, units);
    EXPECT_EQ(name.x, 102);  // 58 × 7 / 4 = 101.5
    EXPECT_EQ(name.y, 68);
    EXPECT_EQ(name.width, 131);  // 75 × 7 / 4 = 131.25
    EXPECT_EQ(name.height, 30);
    EXPECT_EQ(HorizontalPixels(320, units), 560);
    EXPECT_EQ(VerticalPixels(269, units), 538);
    EXPECT_EQ(AverageCharWidth(364), 7);  // 52 letters at 7 pixels each
    EXPECT_EQ(AverageCharWidth(338), 7);  // 6.5 rounds up
}

TEST(FormTemplate, HoldsEachControlOnceAndReachesThemByIdentifier) {
    const FormTemplate& form = RegistrationFormTemplate();
    EXPECT_EQ(form.controls.size(), 44u);
    std::set<int> seen;
    for (const ControlTemplate& control : form.controls) {
        EXPECT_TRUE(seen.insert(control.id).second) << control.id;
        const int right = control.rect.x + control.rect.width;
        const int bottom = control.rect.y + control.rect.height;
        EXPECT_LE(right, form.width) << control.id;
        EXPECT_LE(bottom, form.height) << control.id;
    }
    EXPECT_EQ(form.Find(1031)->text, "Añadir Registro");
    EXPECT_EQ(form.Find(9999), nullptr);
}

}  // namespace
}  // namespace mireval
