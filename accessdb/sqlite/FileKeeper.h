#pragma once

#include <filesystem>

namespace accessdb::sqlite {

// Called by every open of a file that succeeded: while the program keeps its files open
// (accessdb/FileKeeping.h), the first open of each file adds the idle connection that holds it.
void KeepOpen(const std::filesystem::path& file);

}  // namespace accessdb::sqlite
