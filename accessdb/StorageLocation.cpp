#include "StorageLocation.h"

#include <cstdlib>

namespace accessdb {

StorageLocation StorageLocation::Server(std::string connectionString, std::string origin) {
    StorageLocation location;
    location.m_server = true;
    location.m_connectionString = std::move(connectionString);
    location.m_origin = std::move(origin);
    return location;
}

StorageLocation StorageLocation::FromEnvironment(std::filesystem::path file) {
    const char* value = std::getenv(std::string(kDatabaseVariable).c_str());
    // Set but empty counts as unset, as a shell's "TARVO_DATABASE= tarvo" means.
    if (value == nullptr || *value == '\0') {
        return StorageLocation(std::move(file));
    }
    return Server(value);
}

}  // namespace accessdb
