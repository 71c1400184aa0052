#include "DatabaseFile.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace accessdb {

namespace {
bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}
}  // namespace

std::optional<std::filesystem::path> FindDatabaseFile(const std::filesystem::path& requested) {
    std::error_code ec;
    std::filesystem::path folder = requested.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const std::string wanted = requested.filename().string();
    std::vector<std::filesystem::path> matches;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.is_regular_file(ec) &&
            SameNameIgnoringCase(entry.path().filename().string(), wanted)) {
            matches.push_back(entry.path());
        }
    }
    if (matches.empty()) {
        return std::nullopt;
    }
    // Several spellings in one folder: every request picks the same one, the name most opens
    // use ("Alumnos.mdb") first, so that both programs meet on one file.
    std::sort(matches.begin(), matches.end(), [](const auto& a, const auto& b) {
        const bool aCanonical = a.filename() == "Alumnos.mdb";
        const bool bCanonical = b.filename() == "Alumnos.mdb";
        return aCanonical != bCanonical ? aCanonical : a < b;
    });
    return matches.front();
}

void ShareWithFolderGroup(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::absolute(file, ec).parent_path();
    const fs::perms folderPerms = fs::status(folder, ec).permissions();
    if (!ec && (folderPerms & fs::perms::group_write) != fs::perms::none) {
        // Best effort: a file that stays private is still a working database for its owner.
        fs::permissions(file, fs::perms::group_read | fs::perms::group_write, fs::perm_options::add,
                        ec);
    }
}

}  // namespace accessdb
