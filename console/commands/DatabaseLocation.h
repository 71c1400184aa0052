#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "accessdb/Connection.h"

namespace mireval {

// The names the commands pass when they open the database: the search and the cancel of edit
// mode say "alumnos.mdb", every other command "Alumnos.mdb". Both reach the same file.
inline constexpr std::string_view kLowerCaseFileName = "alumnos.mdb";

// Where the console finds its database: the folder that holds "Alumnos.mdb" (in the program
// the working directory; tests give a folder of their own), or the site's database server.
class DatabaseLocation {
  public:
    // The working directory of the process, as it is when a command opens the file.
    DatabaseLocation() = default;
    explicit DatabaseLocation(std::filesystem::path folder) : m_folder(std::move(folder)) {}
    // The server that TARVO_DATABASE names when it is set, else the working directory.
    static DatabaseLocation FromEnvironment();
    // A database server; the folder then only matters to the document files.
    static DatabaseLocation OnServer(accessdb::StorageLocation server);

    // A new connection for one command. The file is found whatever the letter case of its name
    // on disk; when the folder has none, "Alumnos.mdb" is created with both tables. On a
    // server the name does not matter.
    accessdb::Connection Open(std::string_view requestedName = accessdb::kDatabaseFileName) const;

    // Creates the file with both tables when there is none, as the console does at start.
    void EnsureExists() const;

    std::filesystem::path PathFor(std::string_view requestedName) const;

  private:
    std::filesystem::path m_folder;  // empty: the working directory
    std::optional<accessdb::StorageLocation> m_server;
};

}  // namespace mireval
