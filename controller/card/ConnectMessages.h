#pragma once

#include <winscard.h>

#include <string_view>

namespace tarvo {

// Written for a code the table does not know; deliberately without a line end.
inline constexpr std::string_view kUnknownConnectFailureMessage = "Hacemos el default de connect";

// The diagnostic line written when connecting to the card fails with `code`.
std::string_view ConnectFailureMessage(LONG code);

}  // namespace tarvo
