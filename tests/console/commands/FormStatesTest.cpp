// The form's four states: the enabled state of every control in each column of the state
// table, reached by the commands that lead there.
#include <gtest/gtest.h>

#include <functional>

#include "ConsoleHarness.h"
#include "console/commands/ControlIds.h"

namespace mireval::testing {
namespace {

// The state table, one row per group of controls. Columns A to H; E enabled, D disabled,
// K kept from before the command, L enabled when the period box is checked (else disabled),
// M enabled when checked (else kept), F enabled unless the history box shows the no-history
// text.
struct StateRow {
    const char* name;
    std::vector<int> ids;
    const char* columns;
};

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const std::vector<int> kLists(ids::kDateLists.begin(), ids::kDateLists.end());
const std::vector<int> kLabels(ids::kDateLabels.begin(), ids::kDateLabels.end());
const std::vector<int> kDoors(ids::kDoorBoxes.begin(), ids::kDoorBoxes.end());

const std::vector<StateRow> kStateTable = {
    {"DNI box", {1005}, "EEKKDKDK"},
    {"name boxes", {1002, 1006, 1007}, "EDKKEDDK"},
    {"group 1008", {1008}, "EEKKKKDK"},
    {"group 1034", {1034}, "DDKKEDDK"},
    {"restriction checks", {1009, 1010, 1011}, "DDKKEDDK"},
    {"date lists", kLists, "DDKKLDDK"},
    {"date labels and groups", Concat({kLabels, {1035, 1036}}), "DDKKMDDK"},
    {"doors", Concat({{1056}, kDoors}), "DDKKEDDK"},
    {"Limpiar Formulario", {1027}, "EEEEDEEK"},
    {"Buscar Registro", {1028}, "EEDDDDDK"},
    {"Eliminar Historial", {1029}, "DDEKDFED"},
    {"Eliminar Registro", {1030}, "DDEEDEEE"},
    {"1031", {1031}, "EEDDEDDK"},
    {"1032", {1032}, "DDEEEEEK"},
    {"history box", {1033}, "DKEEKKEK"},
    {"group 1037", {1037}, "DDEDKDDK"},
    {"fixed labels", {1000, 1001, 1003, 1004}, "EEEEEEEE"},
};

constexpr const char* kWithHistory = "11111111";
constexpr const char* kWithoutHistory = "22222222";

struct Scenario {
    const char* name;
    char column;  // 'A'..'H'
    bool periodOn;
    bool historyShown;
    std::function<void(Console&)> before;
    std::function<void(Console&)> command;
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name << " (column " << scenario.column << ")";
}

void SeedStudents(Console& console) {
    console.file.AddStudent(
        Student(kWithHistory, "Ana", "Ruiz", "Gil", "1,3,", "1", "0", "1", "05/03/26", "31/12/26"));
    console.file.AddAccess(kWithHistory, "15/03/2026", "10:20:30", "3");
    console.file.AddStudent(Student(kWithoutHistory, "Luis", "Mora", "", "8", "0", "1", "0"));
}

void Shown(Console& c, const char* dni) { c.Search(dni); }
void EditMode(Console& c, const char* dni) {
    c.Search(dni);
    c.Click(1032);
}
void Nothing(Console&) {}

const Scenario kScenarios[] = {
    {"InitialForm", 'A', false, true, Nothing, Nothing},
    {"ClearedAfterSearch", 'B', true, true, [](Console& c) { Shown(c, kWithHistory); },
     [](Console& c) { c.Click(1027); }},
    {"ClearedInitialForm", 'B', false, true, Nothing, [](Console& c) { c.Click(1027); }},
    {"SearchWithHistory", 'C', true, true, [](Console& c) { c.TypeDni(kWithHistory); },
     [](Console& c) { c.Click(1028); }},
    {"SearchWithoutHistory", 'D', false, false, [](Console& c) { c.TypeDni(kWithoutHistory); },
     [](Console& c) { c.Click(1028); }},
    {"EditModePeriodOn", 'E', true, true, [](Console& c) { Shown(c, kWithHistory); },
     [](Console& c) { c.Click(1032); }},
    {"EditModePeriodOff", 'E', false, false, [](Console& c) { Shown(c, kWithoutHistory); },
     [](Console& c) { c.Click(1032); }},
    {"SavedWithHistory", 'F', true, true, [](Console& c) { EditMode(c, kWithHistory); },
     [](Console& c) { c.Click(1031); }},
    {"SavedWithoutHistory", 'F', false, false, [](Console& c) { EditMode(c, kWithoutHistory); },
     [](Console& c) { c.Click(1031); }},
    {"Cancelled", 'G', true, true, [](Console& c) { EditMode(c, kWithHistory); },
     [](Console& c) { c.Click(1032); }},
    {"CancelledWithoutHistory", 'G', false, false, [](Console& c) { EditMode(c, kWithoutHistory); },
     [](Console& c) { c.Click(1032); }},
    {"HistoryDeleted", 'H', true, true, [](Console& c) { Shown(c, kWithHistory); },
     [](Console& c) {
         c.messages.AnswerNext(true);
         c.Click(1029);
     }},
};

class FormStateColumns : public ::testing::TestWithParam<Scenario> {};

TEST_P(FormStateColumns, EveryControlIsAsTheStateTableSays) {
    const Scenario& scenario = GetParam();
    Console console;
    SeedStudents(console);
    scenario.before(console);
    const std::map<int, bool> before = console.EnabledStates();
    scenario.command(console);
    ASSERT_EQ(console.messages.PendingAnswers(), 0u);

    const std::size_t column = static_cast<std::size_t>(scenario.column - 'A');
    for (const StateRow& row : kStateTable) {
        for (int id : row.ids) {
            bool expected = false;
            switch (row.columns[column]) {
                case 'E':
                    expected = true;
                    break;
                case 'D':
                    expected = false;
                    break;
                case 'K':
                    expected = before.at(id);
                    break;
                case 'L':
                    expected = scenario.periodOn;
                    break;
                case 'M':
                    expected = scenario.periodOn || before.at(id);
                    break;
                case 'F':
                    expected = scenario.historyShown;
                    break;
            }
            EXPECT_EQ(console.controls.IsWindowEnabled(id), expected)
                << row.name << " (" << id << ") in column " << scenario.column;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RegistrationForm, FormStateColumns, ::testing::ValuesIn(kScenarios),
                         [](const auto& scenario) { return std::string(scenario.param.name); });

// Besides the enabled states, the columns fix the DNI box's and name boxes' read-only state and
// the captions of the two relabelled buttons.
TEST(FormStates, ReadOnlyStatesAndCaptionsFollowTheCommands) {
    Console console;
    SeedStudents(console);
    auto& controls = console.controls;
    auto captions = [&] {
        return controls.GetWindowText(1031) + "|" + controls.GetWindowText(1032);
    };
    EXPECT_FALSE(controls.IsReadOnly(1005));
    EXPECT_TRUE(controls.IsReadOnly(1002) && controls.IsReadOnly(1006) &&
                controls.IsReadOnly(1007));
    EXPECT_EQ(captions(), "Añadir Registro|Modificar Datos de Registro");

    console.Search(kWithHistory);
    EXPECT_TRUE(controls.IsReadOnly(1005));

    console.Click(1032);
    EXPECT_TRUE(console.form.Members().m_modoEdicion);
    EXPECT_FALSE(controls.IsReadOnly(1002) || controls.IsReadOnly(1006) ||
                 controls.IsReadOnly(1007));
    EXPECT_EQ(captions(), "GUARDAR|CANCELAR");
    EXPECT_EQ(console.messages.Texts().back(),
              "Usted ha pulsado [Modificar Datos].\nSi desea cambiar el estado de este registro, "
              "realice dichos cambios y pulse [GUARDAR].\nSi no desea guardar los cambios pulse "
              "[CANCELAR].");

    console.Click(1031);
    EXPECT_FALSE(console.form.Members().m_modoEdicion);
    EXPECT_EQ(captions(), "Añadir Registro|Modificar Datos de Registro");
    // Once edited, the name boxes stay editable, but disabled outside edit mode.
    EXPECT_FALSE(controls.IsReadOnly(1002));
    EXPECT_FALSE(controls.IsWindowEnabled(1002));

    console.Click(1032);
    console.Click(1032);  // cancel
    EXPECT_EQ(captions(), "Añadir Registro|Modificar Datos de Registro");
    EXPECT_FALSE(console.form.Members().m_modoEdicion);
}

TEST(FormStates, ClearingAShownRecordEmptiesEverythingAndLeavesThreeButtons) {
    Console console;
    SeedStudents(console);
    console.Search(kWithHistory);
    ASSERT_EQ(console.controls.GetCheck(1048), 1);
    console.Click(1027);

    auto& c = console.controls;
    for (int box : {1005, 1002, 1006, 1007, 1033}) {
        EXPECT_EQ(c.GetWindowText(box), "") << box;
    }
    for (int list : ids::kDateLists) {
        EXPECT_EQ(c.GetWindowText(list), " ") << list;
    }
    for (int box : Concat({{1009, 1010, 1011}, kDoors})) {
        EXPECT_EQ(c.GetCheck(box), 0) << box;
    }
    EXPECT_FALSE(c.IsReadOnly(1005));
    std::vector<int> enabledButtons;
    for (int button : {1027, 1028, 1029, 1030, 1031, 1032}) {
        if (c.IsWindowEnabled(button)) {
            enabledButtons.push_back(button);
        }
    }
    EXPECT_EQ(enabledButtons, (std::vector<int>{1027, 1028, 1031}));
    EXPECT_TRUE(c.IsWindowEnabled(1033));
    EXPECT_FALSE(c.IsWindowEnabled(1037));
    // The next search starts from an editable DNI box.
    console.Search(kWithoutHistory);
    EXPECT_EQ(c.GetWindowText(1002), "Luis");
}

TEST(FormStates, PeriodBoxInEditModeSwitchesTheFourteenDateControlsAndKeepsTheDates) {
    Console console;
    SeedStudents(console);
    console.Search(kWithoutHistory);  // period off
    console.Click(1032);
    auto& c = console.controls;
    const std::vector<int> fourteen = Concat({kLists, kLabels, {1035, 1036}});
    for (int id : fourteen) {
        EXPECT_FALSE(c.IsWindowEnabled(id)) << id;
    }

    console.Click(1011);
    for (int id : fourteen) {
        EXPECT_TRUE(c.IsWindowEnabled(id)) << id;
    }
    c.Choose(1025, "07");
    c.Choose(1016, "30");

    console.Click(1011);
    for (int id : fourteen) {
        EXPECT_FALSE(c.IsWindowEnabled(id)) << id;
    }
    EXPECT_EQ(c.GetWindowText(1025), "07");
    EXPECT_EQ(c.GetWindowText(1016), "30");
}

TEST(DateLists, OfferBlankEntriesFirstAndYearsWellPastTheCurrentOne) {
    Console console;  // created in 2026
    auto& c = console.controls;
    std::vector<std::string> days = {" "};
    for (int d = 1; d <= 31; ++d) {
        days.push_back((d < 10 ? "0" : "") + std::to_string(d));
    }
    EXPECT_EQ(c.ListEntries(1025), days);
    EXPECT_EQ(c.ListEntries(1021), days);
    EXPECT_EQ(c.ListEntries(1026).size(), 13u);
    EXPECT_EQ(c.ListEntries(1026).front(), " ");
    EXPECT_EQ(c.ListEntries(1026).back(), "12");

    std::vector<std::string> endYears = {" "};
    for (int y = 8; y <= 36; ++y) {
        endYears.push_back((y < 10 ? "0" : "") + std::to_string(y));
    }
    EXPECT_EQ(c.ListEntries(1023), endYears);
    std::vector<std::string> startYears = endYears;
    startYears.insert(startYears.begin(), "");
    EXPECT_EQ(c.ListEntries(1016), startYears);
    // Nothing is chosen at creation: the lists show their first, blank entry.
    EXPECT_EQ(c.GetWindowText(1025), " ");
    EXPECT_EQ(c.GetWindowText(1016), "");
}

TEST(DateLists, FollowTheYearTheFormIsCreatedInUpToTheLastTwoDigitYear) {
    const DateListEntries later = MakeDateListEntries(2031);
    EXPECT_EQ(later.endYears.at(later.endYears.size() - 2), "41");  // before the blank " "
    EXPECT_EQ(later.endYears.size(), 34u + 1);
    const DateListEntries late = MakeDateListEntries(2095);
    EXPECT_EQ(late.endYears.at(late.endYears.size() - 2), "99");
    EXPECT_EQ(late.startYears.front(), "");
}

TEST(Exchange, ReadsEveryControlIntoItsMemberAndWritesItBack) {
    Console console;
    SeedStudents(console);
    console.Search(kWithHistory);  // 05/03/26 - 31/12/26, doors 1 and 3
    auto& c = console.controls;
    EXPECT_EQ(c.GetWindowText(1025), "05");
    EXPECT_EQ(c.GetWindowText(1023), "26");
    console.Click(1032);
    c.Choose(1021, "20");
    console.Click(1049);
    c.Type(1002, "Anabel");
    console.form.UpdateData(true);
    const FormMembers& m = console.form.Members();
    EXPECT_EQ(m.m_diaB, "20");
    EXPECT_EQ(m.m_nombre, "Anabel");
    EXPECT_EQ((std::array<int, 8>{1, 1, 1, 0, 0, 0, 0, 0}), m.m_puertas);
    EXPECT_EQ(m.m_periodoTemporal, 1);
    EXPECT_EQ(m.m_historial, "15/03/2026  10:20:30  Acceso a entrada nº 3\r\n");

    c.Choose(1021, "01");
    c.Type(1002, "Otra");
    console.form.UpdateData(false);
    EXPECT_EQ(c.GetWindowText(1021), "20");
    EXPECT_EQ(c.GetWindowText(1002), "Anabel");
}

}  // namespace
}  // namespace mireval::testing
