#include "Schema.h"

#include <strings.h>

#include <string>

#include "SqliteHandles.h"

namespace accessdb {

namespace {

// Stored in the file's user_version once the file has been completed.
constexpr int kSchemaMarker = 1;

constexpr const char* kCreateTables =
    "CREATE TABLE IF NOT EXISTS Alumnos ("
    " DNI INTEGER PRIMARY KEY,"
    " Nombre TEXT DEFAULT '', Apellido1 TEXT DEFAULT '', Apellido2 TEXT DEFAULT '',"
    " Puerta TEXT DEFAULT '', Agosto TEXT DEFAULT '0', Fin_de_semana TEXT DEFAULT '0',"
    " Periodo_temporal TEXT DEFAULT '0', FechaA TEXT DEFAULT '', FechaB TEXT DEFAULT '');"
    "CREATE TABLE IF NOT EXISTS Picadas ("
    " DNI INTEGER, Fecha TEXT DEFAULT '', Hora TEXT DEFAULT '', Puerta TEXT DEFAULT '');";

int SchemaVersion(sqlite3* db) {
    sqlite::Statement version(db, "PRAGMA user_version");
    return version.Step() ? static_cast<int>(version.Integer(0)) : 0;
}

bool TableExists(sqlite3* db, const char* table) {
    sqlite::Statement query(
        db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE");
    query.Bind(1, std::string_view(table));
    return query.Step();
}

// True when Alumnos.DNI is the table's integer primary key, which SQLite indexes by itself.
bool DniIsRowKey(sqlite3* db) {
    sqlite::Statement info(db, "PRAGMA table_info(Alumnos)");
    int keyColumns = 0;
    bool dniKey = false;
    while (info.Step()) {
        const bool key = info.Integer(5) > 0;
        keyColumns += key ? 1 : 0;
        if (key && strcasecmp(info.Text(1).c_str(), "DNI") == 0 &&
            strcasecmp(info.Text(2).c_str(), "INTEGER") == 0) {
            dniKey = true;
        }
    }
    return dniKey && keyColumns == 1;
}

}  // namespace

void PrepareSchema(sqlite3* db, bool createTables) {
    if (SchemaVersion(db) == kSchemaMarker) {
        return;
    }
    sqlite::Execute(db, "BEGIN IMMEDIATE");
    try {
        if (createTables) {
            sqlite::Execute(db, kCreateTables);
        }
        const bool complete = TableExists(db, "Alumnos") && TableExists(db, "Picadas");
        if (complete) {
            sqlite::Execute(db, "CREATE INDEX IF NOT EXISTS Picadas_DNI ON Picadas (DNI)");
            if (!DniIsRowKey(db)) {
                sqlite::Execute(db, "CREATE INDEX IF NOT EXISTS Alumnos_DNI ON Alumnos (DNI)");
            }
            sqlite::Execute(db, ("PRAGMA user_version = " + std::to_string(kSchemaMarker)).c_str());
        }
        sqlite::Execute(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    // WAL lets the console read while the controller appends. Switching needs the file to
    // itself for a moment; if the other program holds it, a later open switches instead.
    sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
}

}  // namespace accessdb
