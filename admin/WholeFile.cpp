#include "WholeFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "accessdb/SystemErrors.h"

namespace admin {

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& reason) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        reason = accessdb::SystemErrorText(EISDIR);
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = accessdb::SystemErrorText(errno != 0 ? errno : EIO);
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        reason = "no se pudo leer entero";
        return std::nullopt;
    }
    return bytes;
}

}  // namespace admin
