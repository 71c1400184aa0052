#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvo {

// The controller keeps the columns it reads in texts of fixed widths; a longer stored value is
// cut to its first `maxCharacters` characters (never inside a UTF-8 sequence).
std::string BoundedCopy(std::string_view text, std::size_t maxCharacters);

}  // namespace tarvo
