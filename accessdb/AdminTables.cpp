#include "AdminTables.h"

#include "Connection.h"
#include "postgres/PostgresSiteTables.h"
#include "sqlite/SqliteSiteTables.h"

namespace accessdb {

std::unique_ptr<AdminTables> OpenAdminTables(const StorageLocation& location, OpenMode mode) {
    if (location.IsServer()) {
        return postgres::OpenAdminTables(location, mode);
    }
    return std::make_unique<sqlite::SqliteSiteTables>(sqlite::OpenEngine(location.File(), mode));
}

}  // namespace accessdb
