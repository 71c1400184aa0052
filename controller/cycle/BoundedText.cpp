#include "BoundedText.h"

namespace tarvo {

std::string BoundedCopy(std::string_view text, std::size_t maxCharacters) {
    std::size_t characters = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        const auto lead = static_cast<unsigned char>(text[end]);
        std::size_t length = 1;
        if (lead >= 0xF0) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = 3;
        } else if (lead >= 0xC0) {
            length = 2;
        }
        if (characters == maxCharacters || end + length > text.size()) {
            break;
        }
        end += length;
        ++characters;
    }
    return std::string(text.substr(0, end));
}

}  // namespace tarvo
