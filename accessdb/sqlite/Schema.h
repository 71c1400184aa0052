#pragma once

#include <sqlite3.h>

namespace accessdb {

// Checks a freshly opened file and brings it to what the programs need: both tables (only when
// the caller may create them), DNI columns that hold numbers, the index on Picadas.DNI, WAL
// mode. A file made by hand with just the two tables is accepted and completed once; every open
// checks the tables and the journal mode again. Without createTables nothing is written to a
// file that is not already a database with both tables.
void PrepareSchema(sqlite3* db, bool createTables);

}  // namespace accessdb
