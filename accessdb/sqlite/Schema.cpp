#include "Schema.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "DayOf.h"
#include "Failures.h"
#include "SqliteHandles.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/SchemaVersion.h"

namespace accessdb {

namespace {

using sqlite::Execute;
using sqlite::Intent;
using sqlite::Statement;

// The file's user_version says which of the steps below it has had (SchemaVersion.h): 0 for a
// file made by hand, 1 once the index on Picadas.DNI is added, 2 with Intentos, 3 with Anotados,
// 4 with Puestos and Ajustes, 5 with the timetables and the calendar.
constexpr const char* kCreateTables =
    "CREATE TABLE IF NOT EXISTS Alumnos ("
    " DNI INTEGER PRIMARY KEY,"
    " Nombre TEXT DEFAULT '', Apellido1 TEXT DEFAULT '', Apellido2 TEXT DEFAULT '',"
    " Puerta TEXT DEFAULT '', Agosto TEXT DEFAULT '0', Fin_de_semana TEXT DEFAULT '0',"
    " Periodo_temporal TEXT DEFAULT '0', FechaA TEXT DEFAULT '', FechaB TEXT DEFAULT '');"
    "CREATE TABLE IF NOT EXISTS Picadas ("
    " DNI INTEGER, Fecha TEXT DEFAULT '', Hora TEXT DEFAULT '', Puerta TEXT DEFAULT '');";

// Version 2. The DNI is kept as the card gave it, so a text column; Dia is the engine's own
// reading of Fecha, the day that sorts, which the attempts window and the purge go by. Each
// index serves one of the window's filters, newest first: every attempt, one DNI, one outcome.
std::string CreateAttempts() {
    return "CREATE TABLE IF NOT EXISTS Intentos ("
           " Orden INTEGER PRIMARY KEY,"
           " DNI TEXT DEFAULT '', Fecha TEXT DEFAULT '', Hora TEXT DEFAULT '',"
           " Puerta TEXT DEFAULT '', Puesto TEXT DEFAULT '', Resultado TEXT DEFAULT '',"
           " Motivo TEXT DEFAULT '',"
           " Dia TEXT GENERATED ALWAYS AS (" +
           sqlite::DayOf("Fecha") +
           ") STORED);"
           "CREATE INDEX IF NOT EXISTS Intentos_Dia ON Intentos (Dia);"
           "CREATE INDEX IF NOT EXISTS Intentos_DNI ON Intentos (DNI, Dia);"
           "CREATE INDEX IF NOT EXISTS Intentos_Resultado ON Intentos (Resultado, Dia);";
}

// Version 3. The key of every record a door station wrote (its station, run and number), refused
// a second time, and the day of the record, by which the purge removes old keys.
constexpr const char* kCreateWrittenKeys =
    "CREATE TABLE IF NOT EXISTS Anotados (Clave TEXT PRIMARY KEY, Dia TEXT NOT NULL DEFAULT '')"
    " WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS Anotados_Dia ON Anotados (Dia);";

// Version 4. What each door station last told the site, and the site's settings: how many hours
// a station may decide on its copy of the students without its server (only a server's stations
// keep one; the file has the table all the same, so that a copy of the site moves either way).
constexpr const char* kCreateStationsAndSettings =
    "CREATE TABLE IF NOT EXISTS Puestos (Nombre TEXT PRIMARY KEY, Usuario TEXT NOT NULL DEFAULT '',"
    " Ultimo_contacto TEXT NOT NULL DEFAULT '', Sin_servidor_desde TEXT NOT NULL DEFAULT '',"
    " Pendientes INTEGER NOT NULL DEFAULT 0, Copia_de TEXT NOT NULL DEFAULT '');"
    "CREATE TABLE IF NOT EXISTS Ajustes (Nombre TEXT PRIMARY KEY, Valor TEXT NOT NULL);"
    "INSERT OR IGNORE INTO Ajustes (Nombre, Valor) VALUES ('horas_sin_servidor', '24');";

// Version 5. Timetables, each day's segments in minutes from midnight, the days without school
// (ISO days, both ends included) and who keeps to which timetable. A student's row lives beside
// Alumnos, whose ten columns every reader takes as they are. Tramos and Calendario are keyed
// for the card's one read: a timetable's segments of one weekday, the ranges begun by a day.
constexpr const char* kCreateTimetables =
    "CREATE TABLE IF NOT EXISTS Horarios (Nombre TEXT PRIMARY KEY,"
    " Dias_sin_clase INTEGER NOT NULL DEFAULT 0 CHECK (Dias_sin_clase IN (0, 1)));"
    "CREATE TABLE IF NOT EXISTS Tramos (Horario TEXT NOT NULL,"
    " Dia INTEGER NOT NULL CHECK (Dia BETWEEN 1 AND 7),"
    " Desde INTEGER NOT NULL CHECK (Desde >= 0),"
    " Hasta INTEGER NOT NULL CHECK (Hasta > Desde AND Hasta <= 1440),"
    " PRIMARY KEY (Horario, Dia, Desde)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS Calendario (Desde TEXT NOT NULL, Hasta TEXT NOT NULL,"
    " Descripcion TEXT NOT NULL DEFAULT '', CHECK (Hasta >= Desde),"
    " PRIMARY KEY (Desde, Hasta)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS Horarios_alumnos (DNI INTEGER PRIMARY KEY,"
    " Horario TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS Horarios_alumnos_Horario ON Horarios_alumnos (Horario);"
    "CREATE TABLE IF NOT EXISTS Horarios_puertas (Puerta TEXT PRIMARY KEY"
    " CHECK (length(Puerta) = 1 AND Puerta BETWEEN '1' AND '8'), Horario TEXT NOT NULL);";

constexpr const char* kTimetableTables[] = {"Horarios", "Tramos", "Calendario", "Horarios_alumnos",
                                            "Horarios_puertas"};

// What the programs need to know of one of the two tables.
struct Table {
    const char* name = "";
    bool exists = false;
    std::string dniType;     // as declared, "" when the column has no type
    bool dniRowKey = false;  // DNI INTEGER PRIMARY KEY: the row's own key, never a text
};

Table ReadTable(sqlite3* db, const char* name) {
    Table table;
    table.name = name;
    Statement info(db, std::string("PRAGMA table_info(") + name + ")");
    int keyColumns = 0;
    bool dniKey = false;
    while (info.Step()) {
        table.exists = true;
        const bool key = info.Integer(5) > 0;
        keyColumns += key ? 1 : 0;
        if (strcasecmp(info.Text(1).c_str(), "DNI") == 0) {
            table.dniType = info.Text(2);
            dniKey = key && strcasecmp(table.dniType.c_str(), "INTEGER") == 0;
        }
    }
    table.dniRowKey = dniKey && keyColumns == 1;
    return table;
}

// SQLite's rule for a declared type: a column whose type names text converts every number
// written into it to text, so "01234567" and 1234567 never meet.
bool DeclaredAsText(std::string type) {
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (type.find("INT") != std::string::npos) {
        return false;
    }
    return type.find("CHAR") != std::string::npos || type.find("CLOB") != std::string::npos ||
           type.find("TEXT") != std::string::npos;
}

std::string Where(sqlite3* db) {
    const char* file = sqlite3_db_filename(db, "main");
    return sqlite::DatabaseAt(file != nullptr ? file : "");
}

[[noreturn]] void RefuseTextColumn(sqlite3* db, const Table& table) {
    throw DatabaseError(
        kStoredDniNotANumber,
        "En " + Where(db) + ", la columna DNI de la tabla " + table.name +
            " está declarada como texto (" + table.dniType +
            ") y no como número: un DNI como 01234567 no se encontraría y se añadirían alumnos "
            "repetidos. No se ha modificado. Cree de nuevo la tabla con la columna «DNI "
            "INTEGER» (por ejemplo con el programa sqlite3, antes de importar la hoja de "
            "cálculo) y copie en ella los datos.");
}

// Numbers sort before every text and blob, so the index finds a stored text at once.
void RefuseTextValues(sqlite3* db, const Table& table) {
    if (table.dniRowKey) {
        return;
    }
    Statement query(
        db, std::string("SELECT typeof(DNI), DNI FROM ") + table.name + " WHERE DNI >= '' LIMIT 1");
    if (!query.Step()) {
        return;
    }
    const std::string shown =
        query.Text(0) == "text" ? "«" + query.Text(1) + "»" : "un valor binario";
    throw DatabaseError(
        kStoredDniNotANumber,
        "En " + Where(db) + ", la tabla " + table.name +
            " guarda algún DNI como texto y no como número (por ejemplo, " + shown +
            "): esos alumnos no se encontrarían. No se ha modificado. Conviértalos con el "
            "programa sqlite3: UPDATE " +
            table.name +
            " SET DNI = CAST(DNI AS INTEGER) WHERE typeof(DNI) = 'text'; y corrija "
            "a mano los que no sean números.");
}

[[noreturn]] void RefuseMissingTable(sqlite3* db, const Table& table) {
    sqlite::EngineFailure failure;
    failure.code = SQLITE_ERROR;
    failure.text = std::string("no such table: ") + table.name;
    const char* file = sqlite3_db_filename(db, "main");
    const DatabaseError error =
        sqlite::Describe(file != nullptr ? file : "", failure, Intent::Open);
    throw DatabaseError(kTablesMissing, error.Description() + " No se ha modificado.");
}

int SchemaVersion(sqlite3* db) {
    Statement version(db, "PRAGMA user_version");
    return version.Step() ? static_cast<int>(version.Integer(0)) : 0;
}

bool IsEmptyFile(sqlite3* db) {
    Statement pages(db, "PRAGMA page_count");
    return pages.Step() && pages.Integer(0) == 0;
}

bool HasTable(sqlite3* db, const char* name) {
    Statement table(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    table.Bind(1, name);
    return table.Step();
}

bool HasTimetableTables(sqlite3* db) {
    return std::all_of(std::begin(kTimetableTables), std::end(kTimetableTables),
                       [db](const char* name) { return HasTable(db, name); });
}

// A file a newer program has upgraded may hold what this one would break: it is left alone.
[[noreturn]] void RefuseNewer(sqlite3* db, int version) {
    throw DatabaseError(
        kDatabaseTooNew,
        "L" + Where(db).substr(1) + " es de una versión más nueva de Tarvo y Mireval (versión " +
            std::to_string(version) + " de sus tablas; este programa conoce hasta la " +
            std::to_string(kSchemaVersion) +
            "). No se ha modificado. Instale en este equipo la versión de Tarvo y Mireval que "
            "usan los demás equipos del centro.");
}

// Brings the file to kSchemaVersion in one write transaction: the tables (console only), the
// indexes on DNI, Intentos. The version is read again once the write lock is held, so that of
// two programs opening an old file at once only the first upgrades it.
void Upgrade(sqlite3* db, bool createTables, bool mayWait) {
    // Restores the programs' busy timeout whichever way the upgrade ends.
    struct Patience {
        sqlite3* db;
        ~Patience() { sqlite3_busy_timeout(db, sqlite::kBusyTimeoutMs); }
    } restore{db};
    sqlite3_busy_timeout(db, mayWait ? sqlite::kBusyTimeoutMs : 0);
    Execute(db, "BEGIN IMMEDIATE");
    try {
        const int version = SchemaVersion(db);
        if (version > kSchemaVersion) {
            RefuseNewer(db, version);
        }
        if (createTables) {
            Execute(db, kCreateTables);
        }
        Execute(db, "CREATE INDEX IF NOT EXISTS Picadas_DNI ON Picadas (DNI)");
        if (!ReadTable(db, "Alumnos").dniRowKey) {
            Execute(db, "CREATE INDEX IF NOT EXISTS Alumnos_DNI ON Alumnos (DNI)");
        }
        if (version < 2 || !HasTable(db, "Intentos")) {
            Execute(db, CreateAttempts().c_str());
        }
        if (version < 3 || !HasTable(db, "Anotados")) {
            Execute(db, kCreateWrittenKeys);
        }
        if (version < 4 || !HasTable(db, "Puestos") || !HasTable(db, "Ajustes")) {
            Execute(db, kCreateStationsAndSettings);
        }
        if (version < 5 || !HasTimetableTables(db)) {
            Execute(db, kCreateTimetables);
        }
        if (version != kSchemaVersion) {
            Execute(db, ("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
        }
        Execute(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

bool InWalMode(sqlite3* db) {
    Statement mode(db, "PRAGMA journal_mode");
    return mode.Step() && strcasecmp(mode.Text(0).c_str(), "wal") == 0;
}

// WAL lets the console read while the controller appends. The switch needs the file to itself
// for a moment: when another program holds it (or the file or folder is read-only) this open
// goes on in the old mode at once, and a later open switches.
void SwitchToWal(sqlite3* db) {
    if (InWalMode(db)) {
        return;
    }
    sqlite3_busy_timeout(db, 0);
    sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db, sqlite::kBusyTimeoutMs);
}

}  // namespace

void PrepareSchema(sqlite3* db, bool createTables) {
    // Everything up to Upgrade only reads: a file that is not already a database with both
    // tables stays as it was when the controller opens it, and so does a newer one.
    if (!createTables && IsEmptyFile(db)) {
        throw DatabaseError(
            SQLITE_NOTADB,
            "El archivo de " + Where(db) +
                " está vacío (0 bytes): no contiene la base de datos de alumnos. No se ha "
                "modificado. Restaure la copia de seguridad con «tarvo-admin restore COPIA», o "
                "abra "
                "Mireval en esa carpeta para que cree en él las tablas vacías.");
    }
    const int version = SchemaVersion(db);
    if (version > kSchemaVersion) {
        RefuseNewer(db, version);
    }
    Table tables[] = {ReadTable(db, "Alumnos"), ReadTable(db, "Picadas")};
    for (const Table& table : tables) {
        if (!table.exists && !createTables) {
            RefuseMissingTable(db, table);
        }
        if (table.exists && DeclaredAsText(table.dniType)) {
            RefuseTextColumn(db, table);
        }
    }
    for (const Table& table : tables) {
        if (table.exists) {
            RefuseTextValues(db, table);
        }
    }
    // A complete database (both tables) is upgraded by the controller too: adding Intentos
    // beside them changes nothing the tables hold.
    const bool complete = tables[0].exists && tables[1].exists;
    if (!complete || version != kSchemaVersion || !HasTable(db, "Intentos") ||
        !HasTable(db, "Anotados") || !HasTable(db, "Puestos") || !HasTable(db, "Ajustes") ||
        !HasTimetableTables(db)) {
        // Out of WAL mode the upgrade's commit would wait for every reader, and the console's
        // searches or a sqlite3 shell may read for long: a complete file is then upgraded only
        // if that can be done at once, and otherwise by a later open, as the switch to WAL is.
        const bool mayWait = !complete || InWalMode(db);
        try {
            Upgrade(db, createTables, mayWait);
        } catch (const DatabaseError& error) {
            // A read-only file can still be consulted; the next writable open upgrades it.
            const bool later =
                error.Code() == SQLITE_READONLY ||
                (!mayWait && (error.Code() == SQLITE_BUSY || error.Code() == SQLITE_LOCKED));
            if (!complete || !later) {
                throw;
            }
        }
    }
    SwitchToWal(db);
}

}  // namespace accessdb
