#pragma once

namespace tarvo {

// Identifiers of the controller form's controls and of the resources the window uses.
namespace ids {

inline constexpr int kDniField = 1000;
inline constexpr int kNameField = 1003;
inline constexpr int kLogField = 1004;
inline constexpr int kFirstDoorButton = 1010;  // "Puerta1"; 1017 is "Puerta8"
inline constexpr int kDoorCount = 8;
inline constexpr int kBanner = 1019;

inline constexpr int kCycleTimer = 102;
inline constexpr int kCyclePeriodMs = 2000;

// Menu commands, whose prompts the status bar shows while an item is highlighted.
inline constexpr int kAppAbout = 0xE140;       // 57664
inline constexpr int kAppExit = 0xE141;        // 57665
inline constexpr int kViewStatusBar = 0xE801;  // 59393
inline constexpr int kIdleMessage = 0xE001;    // 57345, "Listo"

}  // namespace ids

}  // namespace tarvo
