#pragma once

#include <QString>
#include <string_view>

namespace tarvo {

// The log's entries begin with "\n" and end with "\r\n", made for a field that breaks lines only
// at "\r\n". Shown here the same way: one entry per line, no blank lines between them.
QString EditBoxText(std::string_view text);

}  // namespace tarvo
