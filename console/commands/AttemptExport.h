#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "AttemptSource.h"
#include "accessdb/AttemptListing.h"

namespace mireval {

// The attempts the query's filters match, in the order written, as the sheet that
// `tarvo-admin export attempts` writes (its header and lines): for the same days both files
// are equal. Read a page at a time; returns how many attempts it wrote. Throws as the source.
std::size_t WriteAttemptSheet(AttemptSource& source, const accessdb::AttemptQuery& filters,
                              std::ostream& out);

// The same into a file: written beside it and moved over it when complete, so a failure never
// leaves half a sheet under the name chosen. The count, or none with `error` saying why.
std::optional<std::size_t> ExportAttemptSheet(AttemptSource& source,
                                              const accessdb::AttemptQuery& filters,
                                              const std::filesystem::path& file,
                                              std::string& error);

}  // namespace mireval
