#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mireval {

// Number of characters (not bytes) of a UTF-8 text, as the form's length checks count them.
std::size_t CharacterCount(std::string_view utf8);

// The history text breaks lines at CR LF; a lone CR or LF starts no line in the history box.
// ToDisplayLines gives the text with one LF per line break for a widget; FromDisplayLines
// turns a widget's LF line breaks back into CR LF.
std::string ToDisplayLines(std::string_view text);
std::string FromDisplayLines(std::string_view shown);

}  // namespace mireval
