#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace accessdb {

struct RestoreOutcome {
    std::filesystem::path database;                 // the file that now holds the copy
    std::optional<std::filesystem::path> setAside;  // where the file it replaced was kept
    std::int64_t students = 0;
    std::int64_t accesses = 0;
    std::int64_t attempts = 0;
};

// Puts a backup (tarvo-admin backup, or any complete database file) in place of the site's
// file `database` (found whatever its letter case). Refused while a program of this machine has
// the file open. The copy is read through the engine, never copied byte for byte, so a log
// beside either file cannot be replayed onto the other; it is checked before it replaces
// anything. The file it replaces is kept beside it, folded whole, with its side files, so no
// stale log is left under the database's name. The result is opened as the programs open it
// and checked. Failures throw DatabaseError; the site's file is then as it was.
RestoreOutcome RestoreBackup(const std::filesystem::path& copy,
                             const std::filesystem::path& database);

}  // namespace accessdb
