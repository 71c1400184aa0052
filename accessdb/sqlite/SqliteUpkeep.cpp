// The file's own care for a school's bulk jobs: its integrity check and its online backup.
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <sstream>

#include "SqliteSession.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/DatabaseFile.h"
#include "accessdb/SystemErrors.h"

namespace accessdb::sqlite {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void BackupExists(const fs::path& file) {
    throw DatabaseError(kTargetNotEmpty, "Ya existe el archivo '" + file.string() +
                                             "': la copia de seguridad no escribe sobre él. "
                                             "Elija otro nombre, o retire ese archivo.");
}

// Puts the finished copy in its place unless something else took the name meanwhile.
void MoveIntoPlace(const fs::path& temporary, const fs::path& file) {
    if (link(temporary.c_str(), file.c_str()) == 0) {
        unlink(temporary.c_str());
        return;
    }
    const int error = errno;
    std::error_code ec;
    if (error == EEXIST) {
        fs::remove(temporary, ec);
        BackupExists(file);
    }
    // A file system without hard links (a USB stick's FAT): a rename, after a last look.
    if (fs::exists(fs::symlink_status(file, ec))) {
        fs::remove(temporary, ec);
        BackupExists(file);
    }
    fs::rename(temporary, file, ec);
    if (ec) {
        // The rename's refusal, not the link's: the rename is what a disk without links does.
        const int refused = ec.value();
        fs::remove(temporary, ec);
        throw DatabaseError(SQLITE_CANTOPEN, "No se ha podido dejar la copia de seguridad en '" +
                                                 file.string() + "': " + SystemErrorText(refused));
    }
}

}  // namespace

std::vector<std::string> SqliteSession::EngineProblems() {
    std::vector<std::string> problems;
    try {
        Statement check(Handle(), "PRAGMA integrity_check");
        while (check.Step()) {
            // A row may hold several problems, one per line, the first under a heading that
            // names the schema ("*** in database main ***").
            std::istringstream lines(check.Text(0));
            for (std::string line; std::getline(lines, line);) {
                if (line != "ok" && !line.empty() && !line.starts_with("*** in database")) {
                    problems.push_back(line);
                }
            }
        }
    } catch (const DatabaseError& error) {
        // Damage the check itself stumbled on ends it: what it listed so far stays, and why
        // it stopped follows.
        problems.push_back(error.Description());
    }
    return problems;
}

void SqliteSession::Backup(const std::filesystem::path& file) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(file, ec))) {
        BackupExists(file);
    }
    const fs::path temporary = WorkFileBeside(file, "copia");
    fs::remove(temporary, ec);
    try {
        sqlite3* raw = nullptr;
        const int opened = sqlite3_open_v2(temporary.c_str(), &raw,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        DatabaseHandle copy(raw);
        Check(copy.get(), opened, Intent::Write);
        // One step over the whole file: one read snapshot of it, while the stations' appends
        // go on into the WAL beside it.
        sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", Handle(), "main");
        if (backup == nullptr) {
            Fail(copy.get(), sqlite3_errcode(copy.get()), Intent::Write);
        }
        const int stepped = sqlite3_backup_step(backup, -1);
        const int finished = sqlite3_backup_finish(backup);
        if (stepped != SQLITE_DONE) {
            Fail(stepped == SQLITE_BUSY || stepped == SQLITE_LOCKED ? Handle() : copy.get(),
                 stepped, Intent::Read);
        }
        Check(copy.get(), finished, Intent::Write);
        // The copy stands alone: one file, no WAL beside it.
        sqlite::Execute(copy.get(), "PRAGMA journal_mode = DELETE");
    } catch (...) {
        fs::remove(temporary, ec);
        throw;
    }
    MoveIntoPlace(temporary, file);
}

}  // namespace accessdb::sqlite
