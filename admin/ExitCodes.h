#pragma once

namespace admin {

// Exit codes a script can rely on; the help text and the manual page list them.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTargetHasData = 3;  // copy: the target holds rows; backup, person --out:
                                              // the file exists
inline constexpr int kExitRefusedRows = 4;    // import: rows of the sheet were refused

}  // namespace admin
