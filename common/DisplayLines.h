#pragma once

#include <string>
#include <string_view>

namespace common {

// The multi-line boxes of the forms break lines only at CR LF, and the texts made for them (the
// controller's log, the console's history) are stored that way; a lone CR or LF starts no line
// there. ToDisplayLines gives such a text with one LF per line break, as a widget shows it:
// one entry per line, no blank lines between them. FromDisplayLines turns a widget's LF line
// breaks back into CR LF.
std::string ToDisplayLines(std::string_view text);
std::string FromDisplayLines(std::string_view shown);

}  // namespace common
