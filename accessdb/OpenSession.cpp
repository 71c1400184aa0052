#include "EngineSession.h"
#include "postgres/PostgresSession.h"
#include "sqlite/SqliteSession.h"

namespace accessdb {

std::unique_ptr<EngineSession> OpenSession(const StorageLocation& location, OpenMode mode) {
    if (location.IsServer()) {
        return postgres::OpenServer(location, mode);
    }
    return sqlite::OpenFile(location.File(), mode);
}

}  // namespace accessdb
