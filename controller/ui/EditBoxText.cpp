#include "EditBoxText.h"

#include <string>

namespace tarvo {

QString EditBoxText(std::string_view text) {
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
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

}  // namespace tarvo
