#pragma once

#include <filesystem>
#include <optional>

namespace accessdb {

// The programs name the file "Alumnos.mdb" and "alumnos.mdb": both must reach the one file in
// the folder whatever its letter case on disk. Returns the existing file, or none.
std::optional<std::filesystem::path> FindDatabaseFile(const std::filesystem::path& requested);

}  // namespace accessdb
