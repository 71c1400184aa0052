#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace accessdb {

// The environment variable that names a database server; unset, the programs use the file.
inline constexpr std::string_view kDatabaseVariable = "TARVO_DATABASE";

// Where the shared data lives: an SQLite file on this PC, or a PostgreSQL server that several
// door stations and consoles share, named by a libpq connection string or URI.
class StorageLocation {
  public:
    // A file; a location made from a path is always the embedded file.
    StorageLocation(std::filesystem::path file) : m_file(std::move(file)) {}  // NOLINT

    static StorageLocation Server(std::string connectionString,
                                  std::string origin = std::string(kDatabaseVariable));
    // What both programs open: the server that TARVO_DATABASE names, else the file.
    static StorageLocation FromEnvironment(std::filesystem::path file);

    bool IsServer() const { return m_server; }
    const std::filesystem::path& File() const { return m_file; }
    const std::string& ConnectionString() const { return m_connectionString; }
    // Where the connection string came from ("TARVO_DATABASE"), for the user's error texts.
    const std::string& Origin() const { return m_origin; }

  private:
    StorageLocation() = default;

    bool m_server = false;
    std::filesystem::path m_file;
    std::string m_connectionString;
    std::string m_origin;
};

}  // namespace accessdb
