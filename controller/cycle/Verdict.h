#pragma once

#include <optional>
#include <string>

namespace tarvo {

// What the rules decided for one card.
struct Verdict {
    bool doorPermitted = false;
    bool restricted = false;
    bool unregistered = false;
    bool grant = false;  // open the door and record the access
    std::string displayName;
    std::optional<std::string> nameFieldText;     // none leaves the name field as it is
    std::optional<std::string> dniFieldText;      // none leaves the DNI field as it is
    std::optional<std::string> errorDescription;  // a database failure to show in a message box
};

}  // namespace tarvo
