#pragma once

#include <sqlite3.h>

namespace accessdb {

// Brings a freshly opened file to what the programs need: both tables (only when the caller may
// create them), the index on Picadas.DNI, WAL mode. A file made by hand with just the two
// tables is accepted and completed once; later opens only read the schema marker.
void PrepareSchema(sqlite3* db, bool createTables);

}  // namespace accessdb
