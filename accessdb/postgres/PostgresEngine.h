#pragma once

#include <memory>

#include "accessdb/StorageEngine.h"
#include "accessdb/StorageLocation.h"

namespace accessdb {
enum class OpenMode;
}

namespace accessdb::postgres {

// Opens a connection on the PostgreSQL server the location names.
std::unique_ptr<StorageEngine> OpenEngine(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb::postgres
