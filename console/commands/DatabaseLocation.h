#pragma once

#include <filesystem>
#include <string_view>

#include "accessdb/Connection.h"

namespace mireval {

// The names the commands pass when they open the database: the search and the cancel of edit
// mode say "alumnos.mdb", every other command "Alumnos.mdb". Both reach the same file.
inline constexpr std::string_view kLowerCaseFileName = "alumnos.mdb";

// Where the console finds its database: the folder that holds "Alumnos.mdb". In the program
// this is the working directory; tests give a folder of their own.
class DatabaseLocation {
  public:
    // The working directory of the process, as it is when a command opens the file.
    DatabaseLocation() = default;
    explicit DatabaseLocation(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    // A new connection for one command. The file is found whatever the letter case of its name
    // on disk; when the folder has none, "Alumnos.mdb" is created with both tables.
    accessdb::Connection Open(std::string_view requestedName = accessdb::kDatabaseFileName) const;

    // Creates the file with both tables when there is none, as the console does at start.
    void EnsureExists() const;

    std::filesystem::path PathFor(std::string_view requestedName) const;

  private:
    std::filesystem::path m_folder;  // empty: the working directory
};

}  // namespace mireval
