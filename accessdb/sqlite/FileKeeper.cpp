#include "FileKeeper.h"

#include <map>
#include <mutex>
#include <string>

#include "SqliteHandles.h"
#include "accessdb/FileKeeping.h"

namespace accessdb::sqlite {

namespace {

struct KeptFiles {
    std::mutex mutex;
    int scopes = 0;
    std::map<std::string, DatabaseHandle> connections;
};

KeptFiles& Kept() {
    static KeptFiles kept;
    return kept;
}

}  // namespace

void KeepOpen(const std::filesystem::path& file) {
    KeptFiles& kept = Kept();
    const std::lock_guard<std::mutex> lock(kept.mutex);
    std::error_code ec;
    const std::string key = std::filesystem::absolute(file, ec).lexically_normal().string();
    if (kept.scopes == 0 || ec || kept.connections.contains(key)) {
        return;
    }
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(key.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    DatabaseHandle db(raw);
    // One read maps the log's index and takes the shared lock that tells other programs' last
    // close that this one still uses the file. It is only a help: a failure leaves each card's
    // own connection to work as before.
    if (rc != SQLITE_OK || sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr,
                                        nullptr, nullptr) != SQLITE_OK) {
        return;
    }
    kept.connections.emplace(key, std::move(db));
}

}  // namespace accessdb::sqlite

namespace accessdb {

KeepDatabaseFilesOpen::KeepDatabaseFilesOpen() {
    auto& kept = sqlite::Kept();
    const std::lock_guard<std::mutex> lock(kept.mutex);
    ++kept.scopes;
}

KeepDatabaseFilesOpen::~KeepDatabaseFilesOpen() {
    auto& kept = sqlite::Kept();
    const std::lock_guard<std::mutex> lock(kept.mutex);
    if (--kept.scopes == 0) {
        // Closing the last connection on a file checkpoints its log into it and removes the
        // log and its index, unless another program still has the file open.
        kept.connections.clear();
    }
}

}  // namespace accessdb
