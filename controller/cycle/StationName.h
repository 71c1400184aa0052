#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tarvo {

// The environment variable that names this door station in the attempts it records.
inline constexpr const char* kStationVariable = "TARVO_STATION";

// How this door station is named in Intentos: TARVO_STATION when set (a site with several
// stations on one PC, or names clearer than the machines'), otherwise the machine's host name.
inline std::string StationName() {
    const char* named = std::getenv(kStationVariable);
    if (named != nullptr && *named != '\0') {
        return named;
    }
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) {
        return {};
    }
    return host;
}

}  // namespace tarvo
