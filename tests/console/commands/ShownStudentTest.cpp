// Which student the form shows, for the attempts window's "this student".
#include "ConsoleHarness.h"

namespace mireval::testing {
namespace {

TEST(ShownStudent, IsTheRecordOnTheFormInEveryStateThatShowsOne) {
    Console console;
    console.Seed(Student("3"));
    EXPECT_EQ(console.form.ShownStudent(), std::nullopt);  // initial form

    console.Search("87654321");  // nobody: the DNI box turns read-only all the same
    EXPECT_EQ(console.messages.shown.size(), 1u);
    EXPECT_EQ(console.form.ShownStudent(), std::nullopt);
    console.Click(ids::kClearForm);

    console.Search("12345678");
    EXPECT_EQ(console.form.ShownStudent(), "12345678");
    console.Click(ids::kModifyOrCancel);  // edit mode: the record is still the one shown
    EXPECT_EQ(console.form.ShownStudent(), "12345678");
    console.Click(ids::kModifyOrCancel);  // cancel
    EXPECT_EQ(console.form.ShownStudent(), "12345678");
    console.Click(ids::kModifyOrCancel);
    console.Click(ids::kAddOrSave);  // save
    EXPECT_EQ(console.form.ShownStudent(), "12345678");

    console.Click(ids::kClearForm);
    EXPECT_EQ(console.form.ShownStudent(), std::nullopt);

    console.Search("12345678");
    console.messages.answers = "y";
    console.Click(ids::kDeleteRecord);
    EXPECT_EQ(console.form.ShownStudent(), std::nullopt);
}

}  // namespace
}  // namespace mireval::testing
