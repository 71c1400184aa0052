#pragma once

#include <string>
#include <vector>

#include "AdminSession.h"

namespace admin {

// One run of tarvo-admin: the command line (without the program's name) carried out in the
// session; returns the exit code (ExitCodes.h). Failures are told on the session's error
// stream, never thrown.
int RunAdmin(const std::vector<std::string>& args, AdminSession& session);

extern const char* const kUsageText;
// The line after a usage error's reason, in place of the whole help.
extern const char* const kUsageHint;

}  // namespace admin
