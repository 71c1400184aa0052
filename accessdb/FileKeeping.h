#pragma once

namespace accessdb {

// While one of these lives, the program keeps one idle connection on each database file it has
// opened, beside the connection of each card or command. A card's connection then opens and
// closes without rebuilding the file's write-ahead log index, and when the program ends the
// last program to close the file folds that log back into it: a file with every program closed
// is whole on its own, as a copy or a restore expects. Make one in main(), for the program's
// whole life; a database server needs none.
class KeepDatabaseFilesOpen {
  public:
    KeepDatabaseFilesOpen();
    ~KeepDatabaseFilesOpen();
    KeepDatabaseFilesOpen(const KeepDatabaseFilesOpen&) = delete;
    KeepDatabaseFilesOpen& operator=(const KeepDatabaseFilesOpen&) = delete;
};

}  // namespace accessdb
