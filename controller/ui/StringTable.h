#pragma once

#include <QString>

namespace tarvo {

// The window's string resources: titles, the idle message and the menu commands' prompts.
namespace strings {

inline constexpr int kDocument = 128;
inline constexpr int kAppTitle = 57344;

// The full resource text; empty for an identifier that has none.
QString Load(int id);
// What the status bar shows for a command: the part before the first line feed.
QString Prompt(int id);
// The window title, the first part of the document string.
QString DocumentTitle();

}  // namespace strings

}  // namespace tarvo
