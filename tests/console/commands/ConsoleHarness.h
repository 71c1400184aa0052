#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "accessdb/DatabaseError.h"
#include "console/commands/ControlIds.h"
#include "console/commands/ListEntries.h"
#include "console/commands/RegistrationForm.h"
#include "console/commands/RegistrationTemplate.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

namespace mireval::testing {

inline constexpr int kTestYear = 2026;
using Boxes = std::vector<std::string>;

// The form's controls in memory, in the states template 101 creates them with; a list's text is
// its selected entry.
class Controls : public FormControls {
  public:
    struct Control {
        bool enabled, readOnly;
        std::string text;
        int check = kUnchecked;
        std::vector<std::string> entries = {};
    };
    Controls() {
        for (const common::ControlTemplate& c : RegistrationFormTemplate().controls) {
            all.emplace(c.id, Control{!c.Has(common::kStyleDisabled), c.Has(common::kStyleReadOnly),
                                      std::string(c.text)});
        }
    }
    Control& At(int id) const { return all.at(id); }
    void EnableWindow(int id, bool enable) override { At(id).enabled = enable; }
    bool IsWindowEnabled(int id) const override { return At(id).enabled; }
    std::string GetWindowText(int id) const override { return At(id).text; }
    void SetWindowText(int id, std::string_view text) override { At(id).text = text; }
    int GetCheck(int id) const override { return At(id).check; }
    void SetCheck(int id, int state) override { At(id).check = state; }
    bool IsReadOnly(int id) const override { return At(id).readOnly; }
    void SetReadOnly(int id, bool readOnly) override { At(id).readOnly = readOnly; }
    void AddString(int id, std::string_view entry) override {
        auto& entries = At(id).entries;
        entries.emplace(entries.begin() + SortedInsertPosition(entries, entry), entry);
    }
    bool SelectString(int id, std::string_view prefix) override {
        Control& list = At(id);
        const auto index = FindEntryStartingWith(list.entries, prefix);
        list.text = index ? list.entries[*index] : list.text;
        return index.has_value();
    }
    std::vector<std::string> ListEntries(int id) const override { return At(id).entries; }

    mutable std::map<int, Control> all;
};

// Message boxes answered ahead, 'y' for OK and 'n' for Cancel. Every box is recorded, a
// confirmation with "? " before its text.
struct Messages : UserMessages {
    void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
    bool Confirm(std::string_view text) override {
        shown.push_back("? " + std::string(text));
        EXPECT_NE(answers, "") << "no answer ahead for: " << text;
        const bool ok = answers.starts_with('y');
        answers.erase(0, 1);
        return ok;
    }
    Boxes shown;
    std::string answers;
};

// One console on a folder of its own (or on a subfolder of it), and the file as the controller
// and the tools see it.
struct Console {
    explicit Console(const std::string& subfolder = "")
        : form(controls, messages, DatabaseLocation(folder / subfolder), kTestYear) {
        form.FillDateLists();
        form.OnInitialUpdate();
    }

    // The user's part: only enabled controls react.
    void Click(int id) {
        ASSERT_TRUE(controls.IsWindowEnabled(id)) << "control " << id << " is disabled";
        static const std::map<int, void (RegistrationForm::*)()> commands = {
            {ids::kClearForm, &RegistrationForm::OnClearForm},
            {ids::kSearch, &RegistrationForm::OnSearchRecord},
            {ids::kDeleteHistory, &RegistrationForm::OnDeleteHistory},
            {ids::kDeleteRecord, &RegistrationForm::OnDeleteRecord},
            {ids::kAddOrSave, &RegistrationForm::OnAddRecord},
            {ids::kModifyOrCancel, &RegistrationForm::OnModifyRecord}};
        if (const auto command = commands.find(id); command != commands.end()) {
            return (form.*command->second)();
        }
        Controls::Control& box = controls.At(id);
        box.check = box.check == kChecked ? kUnchecked : kChecked;
        if (id == ids::kIntervalo) {
            form.OnIntervalClicked();
        }
    }
    void Type(int id, const std::string& text) {
        ASSERT_TRUE(controls.IsWindowEnabled(id) && !controls.IsReadOnly(id)) << id;
        controls.At(id).text = text;
    }
    // "DD/MM/YY-DD/MM/YY" into the six date lists; a piece may be blank (" ") or empty.
    void ChooseDates(const std::string& dates) {
        std::size_t from = 0;
        for (int id : ids::kDateLists) {
            const std::size_t to = std::min(dates.find_first_of("/-", from), dates.size());
            const std::string piece = dates.substr(from, to - from);
            from = to + 1;
            Controls::Control& list = controls.At(id);
            ASSERT_TRUE(list.enabled && std::ranges::count(list.entries, piece) == 1)
                << id << " '" << piece << "'";
            list.text = piece;
        }
    }
    void Search(const std::string& dni) {
        Type(ids::kDni, dni);
        Click(ids::kSearch);
    }

    // What the form shows: DNI|names|dates|period, weekend and August boxes|doors 1 to 8.
    std::string Shown() const {
        std::string shown;
        for (int id : {ids::kDni, ids::kNombre, ids::kApellido1, ids::kApellido2}) {
            shown += controls.GetWindowText(id) + "|";
        }
        for (std::size_t i = 0; i < ids::kDateLists.size(); ++i) {
            shown += controls.GetWindowText(ids::kDateLists[i]) + "//-//|"[i];
        }
        for (int id : {ids::kIntervalo, ids::kFinDeSemana, ids::kAgosto, 1048, 1049, 1050, 1051,
                       1052, 1053, 1054, 1055}) {
            shown += (id == ids::kDoorBoxes[0] ? "|" : "") + std::to_string(controls.GetCheck(id));
        }
        return shown;
    }
    // The six command buttons from "Limpiar Formulario" to "Modificar Datos": E or D each.
    std::string Buttons() const {
        std::string states;
        for (int id = ids::kClearForm; id <= ids::kModifyOrCancel; ++id) {
            states += controls.IsWindowEnabled(id) ? 'E' : 'D';
        }
        return states;
    }
    // Everything a user could see change, for "nothing changed" checks.
    std::string Snapshot() const {
        std::string snapshot;
        for (const auto& [id, c] : controls.all) {
            snapshot += std::to_string(id) + (c.enabled ? "E" : "D") + (c.readOnly ? "R" : "W") +
                        std::to_string(c.check) + c.text + "|";
        }
        return snapshot;
    }

    std::filesystem::path File() const { return folder / "Alumnos.mdb"; }
    accessdb::Connection Db() const {
        return accessdb::Connection::Open(File(), accessdb::OpenMode::CreateIfMissing);
    }
    void Seed(const accessdb::StudentRecord& student, int accesses = 0) const {
        Register(File(), {student});
        for (int i = 0; i < accesses; ++i) {
            Db().AppendAccess({student.dni, "15/03/2026", "10:20:3" + std::to_string(i), "3"});
        }
    }
    // The nine stored columns after DNI, or "none".
    std::string Stored(const std::string& dni) const {
        const Rows rows = Sql(File(),
                              "SELECT Nombre, Apellido1, Apellido2, Puerta, Agosto, Fin_de_semana,"
                              " Periodo_temporal, FechaA, FechaB FROM Alumnos WHERE DNI = " +
                                  dni);
        return rows.empty() ? "none" : rows.front();
    }
    std::size_t Accesses(const std::string& dni) const {
        return std::stoul(Sql(File(), "SELECT count(*) FROM Picadas WHERE DNI = " + dni).at(0));
    }

    TempFolder folder;
    Controls controls;
    Messages messages;
    RegistrationForm form;
};

}  // namespace mireval::testing
