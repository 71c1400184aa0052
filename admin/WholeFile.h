#pragma once

#include <optional>
#include <string>

namespace admin {

// A file's bytes, or none with why they cannot be read (in the user's words) in `reason`.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& reason);

}  // namespace admin
