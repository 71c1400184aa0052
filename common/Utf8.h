#pragma once

#include <cstddef>
#include <string_view>

namespace common {

// Characters, not bytes, of a UTF-8 text: a name with "ñ" is as long as one with "n". The
// forms' length checks and the log's fixed widths count this way.
std::size_t CharacterCount(std::string_view utf8);

}  // namespace common
