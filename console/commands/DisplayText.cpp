#include "DisplayText.h"

namespace mireval {

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (unsigned char c : utf8) {
        // Continuation bytes (10xxxxxx) belong to the character before them.
        if ((c & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

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

}  // namespace mireval
