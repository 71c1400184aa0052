#pragma once

namespace tarvo {

// Registers the window's artwork (banner, side strip, icon), which a static library cannot
// register by itself. Safe to call any number of times.
void LoadTarvoResources();

}  // namespace tarvo
