#pragma once

#include <memory>

#include "accessdb/SiteTables.h"

namespace accessdb::postgres {

std::unique_ptr<SiteTables> OpenSiteTables(const StorageLocation& location, OpenMode mode);

}  // namespace accessdb::postgres
