#include "accessdb/FileRestore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "LockHolders.h"
#include "SqliteHandles.h"
#include "SqliteSession.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseFile.h"
#include "accessdb/SystemErrors.h"

namespace accessdb {

namespace {

namespace fs = std::filesystem;
using sqlite::DatabaseHandle;
using sqlite::Statement;

constexpr const char* kSideFiles[] = {"-wal", "-shm", "-journal"};

fs::path WithSuffix(const fs::path& file, const std::string& suffix) {
    return file.string() + suffix;
}

std::string Shown(const fs::path& file) { return "'" + file.string() + "'"; }

[[noreturn]] void Refuse(int code, const std::string& text) {
    throw DatabaseError(code, text + " No se ha cambiado la base de datos.");
}

// Another program with the file open would go on with its own view of the old one.
void RefuseWhileHeld(const fs::path& database) {
    const std::uint64_t all = std::numeric_limits<std::uint64_t>::max();
    const std::vector<sqlite::LockHolder> holders =
        sqlite::OtherLockHolders({{database, 0, all}, {WithSuffix(database, "-shm"), 0, all}});
    if (holders.empty()) {
        return;
    }
    Refuse(SQLITE_BUSY, "No se puede restaurar la copia: " + sqlite::Named(holders) +
                            (holders.size() == 1 ? " tiene" : " tienen") + " abierta " +
                            sqlite::DatabaseAt(database) +
                            ". Cierre Tarvo y Mireval en este equipo (y cualquier sqlite3 que la "
                            "use) y vuelva a intentarlo.");
}

DatabaseHandle OpenFile(const std::string& file, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    DatabaseHandle db(raw);
    sqlite::Check(db.get(), rc, sqlite::Intent::Open);
    return db;
}

std::int64_t CountOf(sqlite3* db, const std::string& sql) {
    Statement count(db, sql);
    return count.Step() ? count.Integer(0) : 0;
}

// A copy with no log beside it is read as it stands, leaving nothing beside it; one with a
// log (a file copied while a program had it open) is opened as a database, which folds the
// log in, or only read where the copy may not be written.
DatabaseHandle OpenCopy(const fs::path& copy) {
    std::error_code ec;
    if (!fs::exists(WithSuffix(copy, "-wal"), ec)) {
        std::string uri = "file:";
        for (const unsigned char c : fs::absolute(copy, ec).string()) {
            if (std::isalnum(c) || std::strchr("/-._~", c) != nullptr) {
                uri += static_cast<char>(c);
            } else {
                char escaped[4];
                std::snprintf(escaped, sizeof escaped, "%%%02X", c);
                uri += escaped;
            }
        }
        return OpenFile(uri + "?immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
    }
    try {
        return OpenFile(copy, SQLITE_OPEN_READWRITE);
    } catch (const DatabaseError&) {
        return OpenFile(copy, SQLITE_OPEN_READONLY);
    }
}

[[noreturn]] void RefuseCopy(const fs::path& copy, const DatabaseError& error) {
    if (error.Code() == SQLITE_NOTADB || error.Code() == SQLITE_CORRUPT) {
        Refuse(error.Code(), "El archivo " + Shown(copy) +
                                 " no es una copia de la base de datos de alumnos, o está "
                                 "dañado. Elija otra copia de seguridad.");
    }
    throw error;
}

// The copy, read in one snapshot into a new file beside the database. The new file is checked
// as a whole: sound, with both tables.
void WriteCopy(const fs::path& copy, const fs::path& temporary) {
    DatabaseHandle source = OpenCopy(copy);
    DatabaseHandle target = OpenFile(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3_busy_timeout(source.get(), sqlite::kBusyTimeoutMs);
    sqlite3_backup* backup = sqlite3_backup_init(target.get(), "main", source.get(), "main");
    if (backup == nullptr) {
        sqlite::Fail(target.get(), sqlite3_errcode(target.get()), sqlite::Intent::Write);
    }
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped == SQLITE_NOTADB || stepped == SQLITE_CORRUPT) {
        RefuseCopy(copy, sqlite::Describe(source.get(), stepped, sqlite::Intent::Read));
    }
    if (stepped != SQLITE_DONE) {
        sqlite::Fail(target.get(), stepped, sqlite::Intent::Write);
    }
    sqlite::Check(target.get(), finished, sqlite::Intent::Write);
    sqlite::Execute(target.get(), "PRAGMA journal_mode = DELETE");
    std::vector<std::string> problems;
    {
        Statement check(target.get(), "PRAGMA integrity_check");
        while (check.Step()) {
            if (check.Text(0) != "ok") {
                problems.push_back(check.Text(0));
            }
        }
    }
    if (!problems.empty()) {
        Refuse(SQLITE_CORRUPT,
               "La copia " + Shown(copy) + " está dañada (" + problems.front() +
                   (problems.size() > 1
                        ? ", y " + std::to_string(problems.size() - 1) + " problemas más"
                        : std::string()) +
                   "): no se restaura. Elija otra copia de seguridad.");
    }
    for (const char* table : {"Alumnos", "Picadas"}) {
        Statement found(target.get(),
                        "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
        found.Bind(1, std::string_view(table));
        if (!found.Step()) {
            Refuse(kColumnNotFound, "El archivo " + Shown(copy) + " no tiene la tabla " + table +
                                        ": no es una copia de la base de datos de alumnos. "
                                        "Elija otra copia de seguridad.");
        }
    }
}

// The log folded into the file, where the file can still be read, so what is kept aside is
// whole on its own; a damaged file is kept as it is, with its side files.
void FoldLog(const fs::path& database) {
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(database.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) == SQLITE_OK) {
        sqlite3_exec(raw, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(raw);
}

std::string Stamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

void MoveOrFail(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec) {
        Refuse(SQLITE_CANTOPEN, "No se ha podido mover " + Shown(from) + " a " + Shown(to) + ": " +
                                    SystemErrorText(ec.value()));
    }
}

// The replaced file goes aside with every side file under its name.
fs::path SetAside(const fs::path& database) {
    std::error_code ec;
    const std::string stem = ".antes-de-restaurar-" + Stamp();
    fs::path aside = WithSuffix(database, stem);
    // Two restores within a second must not put the second one's file over the first's.
    for (int n = 2; fs::exists(fs::symlink_status(aside, ec)); ++n) {
        aside = WithSuffix(database, stem + "-" + std::to_string(n));
    }
    MoveOrFail(database, aside);
    for (const char* side : kSideFiles) {
        const fs::path stale = WithSuffix(database, side);
        if (fs::exists(fs::symlink_status(stale, ec))) {
            fs::rename(stale, WithSuffix(aside, side), ec);
            if (ec) {
                fs::remove(stale, ec);
            }
        }
    }
    return aside;
}

void PutBack(const fs::path& aside, const fs::path& database) {
    std::error_code ec;
    fs::rename(aside, database, ec);
    for (const char* side : kSideFiles) {
        fs::rename(WithSuffix(aside, side), WithSuffix(database, side), ec);
    }
}

// The new file keeps the old one's permissions and group: the stations' and consoles' users
// must still be able to write it.
void TakeAccessOf(const fs::path& from, const fs::path& to) {
    struct stat old {};
    if (stat(from.c_str(), &old) != 0) {
        ShareWithFolderGroup(to);
        return;
    }
    [[maybe_unused]] const int owned = chown(to.c_str(), static_cast<uid_t>(-1), old.st_gid);
    chmod(to.c_str(), old.st_mode & 07777);
}

}  // namespace

RestoreOutcome RestoreBackup(const fs::path& copy, const fs::path& database) {
    std::error_code ec;
    if (!fs::is_regular_file(copy, ec)) {
        Refuse(kFileNotFound, "No se encuentra la copia de seguridad " + Shown(copy) +
                                  " (o no es un archivo). Compruebe el nombre y la carpeta.");
    }
    const std::optional<fs::path> existing = FindDatabaseFile(database);
    const fs::path target = existing.value_or(database);
    if (existing && fs::equivalent(copy, *existing, ec)) {
        Refuse(SQLITE_CANTOPEN, "La copia " + Shown(copy) +
                                    " es la propia base de datos: no hay nada que restaurar.");
    }
    RefuseWhileHeld(target);

    const fs::path temporary = WorkFileBeside(target, "restaurando");
    for (const char* side : {"", "-journal", "-wal", "-shm"}) {
        fs::remove(WithSuffix(temporary, side), ec);
    }
    RestoreOutcome outcome;
    outcome.database = target;
    try {
        WriteCopy(copy, temporary);
        RefuseWhileHeld(target);
        if (existing) {
            FoldLog(target);
            TakeAccessOf(target, temporary);
            outcome.setAside = SetAside(target);
        } else {
            TakeAccessOf(target, temporary);
        }
        MoveOrFail(temporary, target);
    } catch (...) {
        fs::remove(temporary, ec);
        fs::remove(WithSuffix(temporary, "-journal"), ec);
        if (outcome.setAside && !fs::exists(target, ec)) {
            PutBack(*outcome.setAside, target);
        }
        throw;
    }
    // Opened as the programs open it: an older copy is brought up to date here, and a file the
    // programs would refuse is found now rather than at the first card.
    try {
        auto session = sqlite::OpenFile(target, OpenMode::ExistingOnly);
        outcome.students = CountOf(session->Handle(), "SELECT count(*) FROM Alumnos");
        outcome.accesses = CountOf(session->Handle(), "SELECT count(*) FROM Picadas");
        outcome.attempts = CountOf(session->Handle(), "SELECT count(*) FROM Intentos");
    } catch (const DatabaseError& error) {
        fs::remove(target, ec);
        for (const char* side : kSideFiles) {
            fs::remove(WithSuffix(target, side), ec);
        }
        if (outcome.setAside) {
            PutBack(*outcome.setAside, target);
        }
        throw DatabaseError(error.Code(), "La copia " + Shown(copy) +
                                              " no sirve a los programas: " + error.Description() +
                                              " Se ha dejado la base de datos que había.");
    }
    return outcome;
}

}  // namespace accessdb
