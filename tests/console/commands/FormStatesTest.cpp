// The form model: the enabled state of every control in the columns A to H of the state table,
// reached by the commands that lead there; the date lists.
#include "ConsoleHarness.h"

namespace mireval::testing {
namespace {

using namespace ids;

const char* const kWithHistory = "11111111";  // period on, one access
const char* const kWithoutHistory = "22222222";

// One row per group of controls, one letter per column: E enabled, D disabled, K kept from
// before the command, L enabled when the period box is checked (else disabled), M enabled when
// it is checked (else kept), F enabled unless the history box shows the no-history text.
const std::pair<std::vector<int>, const char*> kStateTable[] = {
    {{kDni}, "EEKKDKDK"},
    {{kNombre, kApellido1, kApellido2}, "EEKKEDDK"},
    {{kPersonalGroup}, "EEKKKKDK"},
    {{kRestrictionsGroup, kFinDeSemana, kAgosto, kIntervalo}, "DDKKEDDK"},
    {{kDiaA, kMesA, kAnioA, kDiaB, kMesB, kAnioB}, "DDKKLDDK"},
    {{kDiaALabel, kMesALabel, kAnioALabel, kDiaBLabel, kMesBLabel, kAnioBLabel, kStartDateGroup,
      kEndDateGroup},
     "DDKKMDDK"},
    {{kDoorsGroup, 1048, 1049, 1050, 1051, 1052, 1053, 1054, 1055}, "DDKKEDDK"},
    {{kClearForm}, "EEEEDEEK"},
    {{kSearch}, "EEDDDDDK"},
    {{kDeleteHistory}, "DDEKDFED"},
    {{kDeleteRecord}, "DDEEDEEE"},
    {{kAddOrSave}, "EEDDEDDK"},
    {{kModifyOrCancel}, "DDEEEEEK"},
    {{kHistory}, "DKEEKKEK"},
    {{kHistoryGroup}, "DDEDKDDK"},
    {{kApellido1Label, kNombreLabel, kApellido2Label, kDniLabel}, "EEEEEEEE"},
};

struct Scenario {
    const char* name;
    char column;
    const char* dni;          // typed first
    std::vector<int> clicks;  // the last one is the command
};

void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name << " (" << s.column << ")"; }

const Scenario kScenarios[] = {
    {"InitialForm", 'A', "", {}},
    {"ClearedInitialForm", 'B', "", {kClearForm}},
    {"ClearedAfterSearch", 'B', kWithHistory, {kSearch, kClearForm}},
    {"SearchWithHistory", 'C', kWithHistory, {kSearch}},
    {"SearchWithoutHistory", 'D', kWithoutHistory, {kSearch}},
    {"EditModePeriodOn", 'E', kWithHistory, {kSearch, kModifyOrCancel}},
    {"EditModePeriodOff", 'E', kWithoutHistory, {kSearch, kModifyOrCancel}},
    {"SavedWithHistory", 'F', kWithHistory, {kSearch, kModifyOrCancel, kAddOrSave}},
    {"SavedWithoutHistory", 'F', kWithoutHistory, {kSearch, kModifyOrCancel, kAddOrSave}},
    {"Cancelled", 'G', kWithHistory, {kSearch, kModifyOrCancel, kModifyOrCancel}},
    {"CancelledWithoutHistory", 'G', kWithoutHistory, {kSearch, kModifyOrCancel, kModifyOrCancel}},
    {"HistoryDeleted", 'H', kWithHistory, {kSearch, kDeleteHistory}},
    {"RecordDeleted", 'B', kWithHistory, {kSearch, kDeleteRecord}},
};

class FormStateColumns : public ::testing::TestWithParam<Scenario> {};

TEST_P(FormStateColumns, EveryControlIsAsTheStateTableSays) {
    const Scenario& s = GetParam();
    Console console;
    console.Seed(
        {kWithHistory, "Ana", "Ruiz", "Gil", "1,3,", "1", "0", "1", "05/03/26", "31/12/26"}, 1);
    console.Seed({kWithoutHistory, "Luis", "Mora", "", "8", "0", "1", "0", "", ""});
    console.Type(kDni, s.dni);
    for (std::size_t i = 0; i + 1 < s.clicks.size(); ++i) {
        console.Click(s.clicks[i]);
    }
    const Controls before = console.controls;
    const bool confirmed = !s.clicks.empty() &&
                           (s.clicks.back() == kDeleteHistory || s.clicks.back() == kDeleteRecord);
    console.messages.answers = confirmed ? "y" : "";
    if (!s.clicks.empty()) {
        console.Click(s.clicks.back());
    }
    EXPECT_EQ(console.messages.answers, "");

    const bool full = std::string_view(s.dni) == kWithHistory;  // period on and a history shown
    std::size_t checked = 0;
    for (const auto& [rowIds, columns] : kStateTable) {
        const char code = columns[s.column - 'A'];
        for (int id : rowIds) {
            const bool kept = before.IsWindowEnabled(id);
            const bool expected = code == 'E' || (code == 'K' && kept) ||
                                  ((code == 'L' || code == 'F') && full) ||
                                  (code == 'M' && (full || kept));
            EXPECT_EQ(console.controls.IsWindowEnabled(id), expected) << id << ", " << code;
            ++checked;
        }
    }
    EXPECT_EQ(checked, console.controls.all.size()) << "the table covers every control";
    EXPECT_EQ(console.controls.IsReadOnly(kDni), s.column >= 'C');
    // The names are typed with the DNI before a record is shown, and then only in edit mode.
    for (int id : {kNombre, kApellido1, kApellido2}) {
        EXPECT_EQ(console.controls.IsReadOnly(id), s.column >= 'C' && s.column != 'E') << id;
    }
    EXPECT_EQ(console.controls.GetWindowText(kAddOrSave),
              s.column == 'E' ? "GUARDAR" : "Añadir Registro");
    if (!full && s.column >= 'C') {
        EXPECT_EQ(console.controls.GetWindowText(kHistory),
                  "Este usuario no tiene accesos registrados en su historial");
    }
    if (s.column == 'B') {  // every value emptied
        EXPECT_EQ(console.Shown() + console.controls.GetWindowText(kHistory),
                  "|||| / / - / / |000|00000000");
    }
}

INSTANTIATE_TEST_SUITE_P(RegistrationForm, FormStateColumns, ::testing::ValuesIn(kScenarios),
                         [](const auto& scenario) { return std::string(scenario.param.name); });

// The lists once stopped at "20", so no period could be entered after 2020.
TEST(DateLists, OfferTwoDigitYearsFromZeroEightToTenYearsAhead) {
    Console console;  // created in 2026
    std::vector<std::string> years = {" "};
    for (int year = 8; year <= 36; ++year) {
        years.push_back((year < 10 ? "0" : "") + std::to_string(year));
    }
    EXPECT_EQ(console.controls.ListEntries(kAnioB), years);
    years.insert(years.begin(), "");  // only the start year has an empty entry
    EXPECT_EQ(console.controls.ListEntries(kAnioA), years);
    // Later years move the end with them, up to the last two-digit year.
    EXPECT_EQ(MakeDateListEntries(2031).endYears.end()[-2], "41");
    EXPECT_EQ(MakeDateListEntries(2095).endYears.end()[-2], "99");
}

}  // namespace
}  // namespace mireval::testing
