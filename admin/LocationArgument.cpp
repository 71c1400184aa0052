#include "LocationArgument.h"

namespace admin {

accessdb::StorageLocation LocationArgument(const std::string& argument, const std::string& role) {
    const bool uri =
        argument.rfind("postgresql://", 0) == 0 || argument.rfind("postgres://", 0) == 0;
    // A keyword=value string; a file name with "=" in it can be given as ./name.
    const bool keywords =
        argument.find('=') != std::string::npos && argument.find('/') == std::string::npos;
    if (uri || keywords) {
        return accessdb::StorageLocation::Server(argument, role);
    }
    return accessdb::StorageLocation(argument);
}

}  // namespace admin
