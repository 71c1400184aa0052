#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "console/commands/FormControls.h"
#include "console/commands/FormTemplate.h"
#include "console/commands/UserMessages.h"

namespace mireval::testing {

// The form's controls in memory, created from template 101 with the template's initial
// states. Using a control in a way its kind does not allow fails the running test.
class TemplateControls : public FormControls {
  public:
    TemplateControls();

    void EnableWindow(int id, bool enable) override;
    bool IsWindowEnabled(int id) const override;
    std::string GetWindowText(int id) const override;
    void SetWindowText(int id, std::string_view text) override;
    int GetCheck(int id) const override;
    void SetCheck(int id, int state) override;
    bool IsReadOnly(int id) const override;
    void SetReadOnly(int id, bool readOnly) override;
    void AddString(int id, std::string_view entry) override;
    bool SelectString(int id, std::string_view prefix) override;
    std::vector<std::string> ListEntries(int id) const override;

    // What a user does: typing replaces the text of an enabled, editable box; choosing picks
    // an entry of an enabled list; clicking a check box toggles it.
    void Type(int id, std::string_view text);
    void Choose(int id, std::string_view entry);
    void ToggleCheck(int id);

    ControlKind Kind(int id) const;
    std::vector<int> Ids() const;

  private:
    struct Control {
        ControlKind kind = ControlKind::Label;
        bool enabled = true;
        bool readOnly = false;
        std::string text;
        int check = 0;
        std::vector<std::string> entries;
        std::optional<std::size_t> selected;
    };
    Control& At(int id, std::initializer_list<ControlKind> kinds);
    const Control& At(int id, std::initializer_list<ControlKind> kinds) const;

    std::map<int, Control> m_controls;
};

// Message boxes answered ahead: each confirmation takes the next answer; every box is recorded.
class ScriptedMessages : public UserMessages {
  public:
    struct Box {
        bool confirmation;
        std::string text;
    };

    void ShowMessage(std::string_view text) override;
    bool Confirm(std::string_view text) override;

    void AnswerNext(bool ok) { m_answers.push_back(ok); }
    const std::vector<Box>& Shown() const { return m_shown; }
    std::vector<std::string> Texts() const;
    std::size_t PendingAnswers() const { return m_answers.size(); }
    void Forget() { m_shown.clear(); }

  private:
    std::deque<bool> m_answers;
    std::vector<Box> m_shown;
};

}  // namespace mireval::testing
