#pragma once

#include <string_view>

namespace common {

// Comparisons that ignore the letter case of A to Z, as the forms' sorted lists and file names
// do; every other byte, UTF-8 sequences included, compares as it is.
bool LessIgnoringCase(std::string_view a, std::string_view b);
bool EqualIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace common
