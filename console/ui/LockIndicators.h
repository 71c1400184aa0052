#pragma once

#include <optional>

namespace mireval::ui {

struct KeyboardLocks {
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;
};

// The keyboard's lock lights as the X server reports them; none where the platform cannot
// tell (no X display, as under the offscreen platform).
std::optional<KeyboardLocks> ReadKeyboardLocks();

}  // namespace mireval::ui
