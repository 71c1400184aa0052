#pragma once

#include <filesystem>
#include <optional>

namespace accessdb {

// The programs name the file "Alumnos.mdb" and "alumnos.mdb": both must reach the one file in
// the folder whatever its letter case on disk. Returns the existing file, or none.
std::optional<std::filesystem::path> FindDatabaseFile(const std::filesystem::path& requested);

// Something other than a file under the database's name (a folder called "Alumnos.mdb"), which
// the open reports as what it is rather than as a missing file. None when there is no such entry.
std::optional<std::filesystem::path> FindNonFileEntry(const std::filesystem::path& requested);

// A hidden file beside `file` in its folder, named for what it is being made for and for this
// process (".Alumnos.mdb.copia-4242"): a file is written there whole, then moved into place.
std::filesystem::path WorkFileBeside(const std::filesystem::path& file, const char* purpose);

// A new database in a folder its group may write (the site's shared data folder) is made
// writable for that group too: the caretaker's controller and every administrator must be able
// to write the file one of them created. SQLite's journal files copy the file's mode.
void ShareWithFolderGroup(const std::filesystem::path& file);

}  // namespace accessdb
