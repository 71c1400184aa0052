#pragma once

#include <string>
#include <system_error>

namespace accessdb {

// What a failure of the operating system means to the administrator, and what to do, in
// Spanish: the system's own texts are English and never reach the user. One sentence or two,
// without the file's name, which the caller puts before it ("no se puede leer X: ...").
std::string SystemErrorText(int errnum);

// A failure the standard library threw (a file system or stream operation): the same text,
// after the paths it names.
std::string SystemErrorText(const std::system_error& error);

}  // namespace accessdb
