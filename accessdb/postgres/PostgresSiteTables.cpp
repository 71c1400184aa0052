#include "PostgresSiteTables.h"

#include "accessdb/DatabaseError.h"

namespace accessdb::postgres {

std::unique_ptr<SiteTables> OpenSiteTables(const StorageLocation& location, OpenMode) {
    throw DatabaseError(-1, "Copiar tablas enteras desde o hacia el servidor de " +
                                location.Origin() + " aún no es posible.");
}

}  // namespace accessdb::postgres
