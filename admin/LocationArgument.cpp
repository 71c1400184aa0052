#include "LocationArgument.h"

#include <cctype>

namespace admin {

bool NamesServer(const std::string& argument) {
    const bool uri =
        argument.rfind("postgresql://", 0) == 0 || argument.rfind("postgres://", 0) == 0;
    // A keyword=value string begins with a keyword ("host=", "service ="); a file whose name
    // looks like one can be given as ./name.
    std::size_t end = 0;
    while (end < argument.size() &&
           (std::isalpha(static_cast<unsigned char>(argument[end])) || argument[end] == '_')) {
        ++end;
    }
    const std::size_t keywordEnd = end;
    while (end < argument.size() && argument[end] == ' ') {
        ++end;
    }
    const bool keywords = keywordEnd > 0 && end < argument.size() && argument[end] == '=';
    return uri || keywords;
}

accessdb::StorageLocation LocationArgument(const std::string& argument, const std::string& role) {
    if (NamesServer(argument)) {
        return accessdb::StorageLocation::Server(argument, role);
    }
    return accessdb::StorageLocation(argument);
}

}  // namespace admin
