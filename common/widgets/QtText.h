#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace common {

// Texts cross between the programs' logic (UTF-8 bytes) and the widgets here.
QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);

}  // namespace common
