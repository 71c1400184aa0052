#pragma once

#include <string_view>

namespace mireval {

// The console's message boxes, captioned with the program's name.
class UserMessages {
  public:
    virtual ~UserMessages() = default;

    // A box with only an OK button.
    virtual void ShowMessage(std::string_view text) = 0;
    // A box with OK and Cancel and the exclamation icon; true only when the user answers OK.
    virtual bool Confirm(std::string_view text) = 0;
};

}  // namespace mireval
