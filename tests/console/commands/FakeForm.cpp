#include "FakeForm.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "console/commands/ListEntries.h"

namespace mireval::testing {

namespace {
const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            return "label";
        case ControlKind::Edit:
            return "edit";
        case ControlKind::MultiLineEdit:
            return "multi-line edit";
        case ControlKind::GroupBox:
            return "group box";
        case ControlKind::CheckBox:
            return "check box";
        case ControlKind::DropDownList:
            return "drop-down list";
        case ControlKind::PushButton:
            return "push button";
    }
    return "?";
}
}  // namespace

TemplateControls::TemplateControls() {
    for (const ControlTemplate& source : RegistrationFormTemplate().controls) {
        Control control;
        control.kind = source.kind;
        control.enabled = !source.Has(kStyleDisabled);
        control.readOnly = source.Has(kStyleReadOnly);
        control.text = std::string(source.text);
        m_controls.emplace(source.id, control);
    }
}

TemplateControls::Control& TemplateControls::At(int id, std::initializer_list<ControlKind> kinds) {
    return const_cast<Control&>(std::as_const(*this).At(id, kinds));
}

const TemplateControls::Control& TemplateControls::At(
    int id, std::initializer_list<ControlKind> kinds) const {
    static const Control missing;
    auto found = m_controls.find(id);
    if (found == m_controls.end()) {
        ADD_FAILURE() << "the form has no control " << id;
        return missing;
    }
    if (kinds.size() != 0 &&
        std::find(kinds.begin(), kinds.end(), found->second.kind) == kinds.end()) {
        ADD_FAILURE() << "control " << id << " is a " << KindName(found->second.kind)
                      << ", not a control this operation applies to";
    }
    return found->second;
}

void TemplateControls::EnableWindow(int id, bool enable) { At(id, {}).enabled = enable; }

bool TemplateControls::IsWindowEnabled(int id) const { return At(id, {}).enabled; }

std::string TemplateControls::GetWindowText(int id) const {
    const Control& control = At(id, {});
    if (control.kind == ControlKind::DropDownList) {
        return control.selected ? control.entries[*control.selected] : std::string();
    }
    return control.text;
}

void TemplateControls::SetWindowText(int id, std::string_view text) {
    At(id, {ControlKind::Label, ControlKind::Edit, ControlKind::MultiLineEdit,
            ControlKind::GroupBox, ControlKind::CheckBox, ControlKind::PushButton})
        .text = std::string(text);
}

int TemplateControls::GetCheck(int id) const { return At(id, {ControlKind::CheckBox}).check; }

void TemplateControls::SetCheck(int id, int state) {
    At(id, {ControlKind::CheckBox}).check = state;
}

bool TemplateControls::IsReadOnly(int id) const {
    return At(id, {ControlKind::Edit, ControlKind::MultiLineEdit}).readOnly;
}

void TemplateControls::SetReadOnly(int id, bool readOnly) {
    At(id, {ControlKind::Edit, ControlKind::MultiLineEdit}).readOnly = readOnly;
}

void TemplateControls::AddString(int id, std::string_view entry) {
    Control& list = At(id, {ControlKind::DropDownList});
    const std::size_t at = SortedInsertPosition(list.entries, entry);
    list.entries.insert(list.entries.begin() + static_cast<std::ptrdiff_t>(at), std::string(entry));
    if (list.selected && *list.selected >= at) {
        ++*list.selected;
    }
}

bool TemplateControls::SelectString(int id, std::string_view prefix) {
    Control& list = At(id, {ControlKind::DropDownList});
    if (auto index = FindEntryStartingWith(list.entries, prefix)) {
        list.selected = index;
        return true;
    }
    return false;
}

std::vector<std::string> TemplateControls::ListEntries(int id) const {
    return At(id, {ControlKind::DropDownList}).entries;
}

void TemplateControls::Type(int id, std::string_view text) {
    Control& box = At(id, {ControlKind::Edit});
    ASSERT_TRUE(box.enabled && !box.readOnly) << "box " << id << " cannot be typed into";
    box.text = std::string(text);
}

void TemplateControls::Choose(int id, std::string_view entry) {
    Control& list = At(id, {ControlKind::DropDownList});
    ASSERT_TRUE(list.enabled) << "list " << id << " is disabled";
    auto found = std::find(list.entries.begin(), list.entries.end(), entry);
    ASSERT_NE(found, list.entries.end()) << "list " << id << " has no entry \"" << entry << "\"";
    list.selected = static_cast<std::size_t>(found - list.entries.begin());
}

void TemplateControls::ToggleCheck(int id) {
    Control& box = At(id, {ControlKind::CheckBox});
    ASSERT_TRUE(box.enabled) << "check box " << id << " is disabled";
    box.check = box.check == 1 ? 0 : 1;
}

ControlKind TemplateControls::Kind(int id) const { return At(id, {}).kind; }

std::vector<int> TemplateControls::Ids() const {
    std::vector<int> all;
    for (const auto& [id, control] : m_controls) {
        all.push_back(id);
    }
    return all;
}

void ScriptedMessages::ShowMessage(std::string_view text) {
    m_shown.push_back({false, std::string(text)});
}

bool ScriptedMessages::Confirm(std::string_view text) {
    m_shown.push_back({true, std::string(text)});
    if (m_answers.empty()) {
        ADD_FAILURE() << "confirmation without an answer ahead: " << text;
        return false;
    }
    const bool ok = m_answers.front();
    m_answers.pop_front();
    return ok;
}

std::vector<std::string> ScriptedMessages::Texts() const {
    std::vector<std::string> texts;
    for (const Box& box : m_shown) {
        texts.push_back(box.text);
    }
    return texts;
}

}  // namespace mireval::testing
