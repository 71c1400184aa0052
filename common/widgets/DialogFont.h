#pragma once

#include <QFont>
#include <string_view>

namespace common {

// The face a template names, at its point size, on this platform: "MS Shell Dlg" and
// "Microsoft Sans Serif" become Liberation Sans, which keeps their metrics and so the layout's
// proportions. A face that is not installed gives way to the platform's sans serif.
QFont DialogFont(std::string_view templateFace, int pointSize);

}  // namespace common
