#include "common/DisplayLines.h"

namespace common {

std::string ToDisplayLines(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            shown += '\n';
            ++i;
        } else if (text[i] != '\r' && text[i] != '\n') {
            shown += text[i];
        }
    }
    return shown;
}

std::string FromDisplayLines(std::string_view shown) {
    std::string text;
    text.reserve(shown.size());
    for (char c : shown) {
        if (c == '\n') {
            text += "\r\n";
        } else {
            text += c;
        }
    }
    return text;
}

}  // namespace common
