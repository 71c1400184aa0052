#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mireval {

// Check states as check boxes report them.
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;

// The registration form's controls, reached by their numeric identifiers. Texts are UTF-8, and
// multi-line texts break lines at CR LF as the commands build them.
class FormControls {
  public:
    virtual ~FormControls() = default;

    virtual void EnableWindow(int id, bool enable) = 0;
    virtual bool IsWindowEnabled(int id) const = 0;

    // Edit boxes, buttons, labels: the text shown. Drop-down lists: the selected entry, or the
    // empty text when none is selected.
    virtual std::string GetWindowText(int id) const = 0;
    virtual void SetWindowText(int id, std::string_view text) = 0;

    // Check boxes: reading and setting the check state does not run the box's command.
    virtual int GetCheck(int id) const = 0;
    virtual void SetCheck(int id, int state) = 0;

    // Edit boxes.
    virtual bool IsReadOnly(int id) const = 0;
    virtual void SetReadOnly(int id, bool readOnly) = 0;

    // Drop-down lists, which keep their entries sorted.
    virtual void AddString(int id, std::string_view entry) = 0;
    // Selects the first entry that begins with the text; false, keeping the selection, when none.
    virtual bool SelectString(int id, std::string_view prefix) = 0;
    virtual std::vector<std::string> ListEntries(int id) const = 0;
};

}  // namespace mireval
