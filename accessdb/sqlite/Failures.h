#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "accessdb/DatabaseError.h"

// SQLite's failures in the user's words: the one place where a result code becomes the Spanish
// description a caretaker reads in a message box.
namespace accessdb::sqlite {

// How long both programs wait for the other's writer before a statement fails.
inline constexpr int kBusyTimeoutMs = 8000;

// What the program was doing, so that the description says what did not happen: a lookup in a
// read-only folder must not claim that it tried to write.
enum class Intent { Open, Read, Write };

// What SQLite reported, with the details that tell the causes apart.
struct EngineFailure {
    int code = 0;          // the primary result code, kept as the error's code
    int extendedCode = 0;  // e.g. SQLITE_READONLY_DIRECTORY
    int systemErrno = 0;   // the operating system's error behind an I/O or open failure
    std::string text;      // SQLite's own English text, for what has no description of ours
};

// The failure as the user reads it, for the database file `file`.
DatabaseError Describe(const std::filesystem::path& file, const EngineFailure& failure,
                       Intent intent);

// What the connection reports about result code rc (db may be null).
EngineFailure FailureOf(sqlite3* db, int rc);

// The failure the connection reports for result code rc, on the file the connection has open.
DatabaseError Describe(sqlite3* db, int rc, Intent intent);

// "la base de datos 'Alumnos.mdb' de la carpeta '/var/lib/tarvo'", for texts about the file
// that do not come from SQLite.
std::string DatabaseAt(const std::filesystem::path& file);

}  // namespace accessdb::sqlite
