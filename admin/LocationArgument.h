#pragma once

#include <string>

#include "accessdb/StorageLocation.h"

namespace admin {

// Whether the argument is a libpq connection string or URI rather than a file's path.
bool NamesServer(const std::string& argument);

// A database named on the command line: a libpq connection string or URI
// ("postgresql://...", "host=... dbname=...", "service=tarvo") names a server; anything else
// is the path of a file.
accessdb::StorageLocation LocationArgument(const std::string& argument, const std::string& role);

}  // namespace admin
