#pragma once

#include <string>

#include "AdminSession.h"

namespace admin {

// Asks on the terminal before something is deleted for good: the question, then «sí» typed
// back. Anything else, or the end of input, is a no, told as "nothing was deleted".
bool ConfirmDeletion(AdminSession& session, const std::string& question);

}  // namespace admin
