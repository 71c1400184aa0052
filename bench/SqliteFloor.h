#pragma once

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

// The floors: the work of a card and of a console search written directly against the SQLite
// C API, with the settings the file engine uses (WAL, synchronous = FULL, a busy timeout, no
// checkpoint at close).
// Every result code is checked: a floor that failed quietly would be cheaper than the code and
// make the layer look faster than the engine.
namespace bench::sqlite {

struct CloseDatabase {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

inline void Check(sqlite3* db, int rc, int expected, const char* what) {
    if (rc != expected) {
        throw std::runtime_error(std::string(what) + ": " +
                                 (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    }
}

// As the file engine does while its program holds the file: a card's connection closes without
// a checkpoint, and a commit that leaves the WAL at 64 pages or more checkpoints and empties it
// without waiting.
inline int CheckpointLongWal(void*, sqlite3* db, const char* name, int pages) {
    if (pages >= 64) {
        sqlite3_busy_timeout(db, 0);
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_busy_timeout(db, 8000);
    }
    return SQLITE_OK;
}

inline Database Open(const std::filesystem::path& file, int flags = SQLITE_OPEN_READWRITE) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Database db(raw);
    Check(db.get(), rc, SQLITE_OK, "open");
    Check(db.get(), sqlite3_busy_timeout(db.get(), 8000), SQLITE_OK, "busy timeout");
    Check(db.get(), sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr),
          SQLITE_OK, "no checkpoint on close");
    sqlite3_wal_hook(db.get(), CheckpointLongWal, nullptr);
    return db;
}

// Closes now, so that a failed close (statements left open, a failed checkpoint) is seen.
inline void Close(Database db) { Check(nullptr, sqlite3_close(db.release()), SQLITE_OK, "close"); }

inline void Exec(sqlite3* db, const char* sql) {
    Check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK, sql);
}

inline Statement Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    Statement statement(raw);
    Check(db, rc, SQLITE_OK, sql);
    return statement;
}

inline void BindInt(sqlite3* db, sqlite3_stmt* statement, int index, std::int64_t value) {
    Check(db, sqlite3_bind_int64(statement, index, value), SQLITE_OK, "bind");
}

inline void BindText(sqlite3* db, sqlite3_stmt* statement, int index, const char* text) {
    Check(db, sqlite3_bind_text(statement, index, text, -1, SQLITE_STATIC), SQLITE_OK, "bind");
}

// Reads every column of the current row, as the code's row object does.
inline void ReadRow(sqlite3_stmt* statement) {
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        benchmark::DoNotOptimize(sqlite3_column_text(statement, c));
    }
}

// One card as the controller does it: open, look the student up, append the access in a
// write transaction, then the attempt in a commit of its own, close.
inline void CardOnce(const std::filesystem::path& file, const std::string& dniText,
                     const char* fecha, const char* hora, const char* station) {
    const std::int64_t dni = std::stoll(dniText);
    Database db = Open(file);
    Exec(db.get(), "PRAGMA synchronous = FULL");
    {
        Statement select = Prepare(db.get(), "SELECT * FROM Alumnos WHERE DNI = ?");
        BindInt(db.get(), select.get(), 1, dni);
        Check(db.get(), sqlite3_step(select.get()), SQLITE_ROW, "student lookup");
        ReadRow(select.get());
    }
    Exec(db.get(), "BEGIN IMMEDIATE");
    {
        Statement insert =
            Prepare(db.get(), "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (?, ?, ?, ?)");
        BindInt(db.get(), insert.get(), 1, dni);
        BindText(db.get(), insert.get(), 2, fecha);
        BindText(db.get(), insert.get(), 3, hora);
        BindText(db.get(), insert.get(), 4, "5");
        Check(db.get(), sqlite3_step(insert.get()), SQLITE_DONE, "access append");
    }
    Exec(db.get(), "COMMIT");
    {
        Statement insert = Prepare(db.get(),
                                   "INSERT INTO Intentos (DNI, Fecha, Hora, Puerta, Puesto, "
                                   "Resultado, Motivo) VALUES (?, ?, ?, ?, ?, 'concedido', '')");
        BindText(db.get(), insert.get(), 1, dniText.c_str());
        BindText(db.get(), insert.get(), 2, fecha);
        BindText(db.get(), insert.get(), 3, hora);
        BindText(db.get(), insert.get(), 4, "5");
        BindText(db.get(), insert.get(), 5, station);
        Check(db.get(), sqlite3_step(insert.get()), SQLITE_DONE, "attempt append");
    }
    Close(std::move(db));
}

// One console search: open, look the student up, list the history in the order written,
// close. Returns the number of history rows.
inline int SearchOnce(const std::filesystem::path& file, std::int64_t dni) {
    Database db = Open(file);
    {
        Statement select = Prepare(db.get(), "SELECT * FROM Alumnos WHERE DNI = ?");
        BindInt(db.get(), select.get(), 1, dni);
        Check(db.get(), sqlite3_step(select.get()), SQLITE_ROW, "student lookup");
        ReadRow(select.get());
    }
    int rows = 0;
    {
        Statement history = Prepare(
            db.get(), "SELECT Fecha, Hora, Puerta FROM Picadas WHERE DNI = ? ORDER BY rowid");
        BindInt(db.get(), history.get(), 1, dni);
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(history.get())) == SQLITE_ROW) {
            ReadRow(history.get());
            ++rows;
        }
        Check(db.get(), rc, SQLITE_DONE, "history listing");
    }
    Close(std::move(db));
    return rows;
}

}  // namespace bench::sqlite
