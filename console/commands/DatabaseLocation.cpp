#include "DatabaseLocation.h"

#include <algorithm>

#include "accessdb/DatabaseFile.h"

namespace mireval {

namespace {
bool SameIgnoringCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}
}  // namespace

std::filesystem::path DatabaseLocation::PathFor(std::string_view requestedName) const {
    // Letter case never decides which file is meant: with several spellings in the folder, the
    // search and the cancel ("alumnos.mdb") must read the file every other command and the
    // controller write ("Alumnos.mdb").
    const std::string_view name = SameIgnoringCase(requestedName, accessdb::kDatabaseFileName)
                                      ? accessdb::kDatabaseFileName
                                      : requestedName;
    const std::filesystem::path requested = m_folder / std::filesystem::path(name);
    if (auto existing = accessdb::FindDatabaseFile(requested)) {
        return *existing;
    }
    // A new file always gets the name the controller looks for first.
    return m_folder / std::filesystem::path(accessdb::kDatabaseFileName);
}

DatabaseLocation DatabaseLocation::FromEnvironment() {
    accessdb::StorageLocation chosen =
        accessdb::StorageLocation::FromEnvironment(accessdb::kDatabaseFileName);
    return chosen.IsServer() ? OnServer(std::move(chosen)) : DatabaseLocation();
}

DatabaseLocation DatabaseLocation::OnServer(accessdb::StorageLocation server) {
    DatabaseLocation location;
    location.m_server = std::move(server);
    return location;
}

accessdb::Connection DatabaseLocation::Open(std::string_view requestedName) const {
    if (m_server) {
        return accessdb::Connection::Open(*m_server, accessdb::OpenMode::CreateIfMissing);
    }
    return accessdb::Connection::Open(PathFor(requestedName), accessdb::OpenMode::CreateIfMissing);
}

void DatabaseLocation::EnsureExists() const { Open(); }

}  // namespace mireval
