#include "PostgresEngine.h"

#include "accessdb/DatabaseError.h"

namespace accessdb::postgres {

std::unique_ptr<StorageEngine> OpenEngine(const StorageLocation& location, OpenMode) {
    throw DatabaseError(-1, "El servidor de base de datos que indica " + location.Origin() +
                                " no está disponible en esta versión.");
}

}  // namespace accessdb::postgres
