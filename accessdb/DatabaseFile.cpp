#include "DatabaseFile.h"

#include <unistd.h>

#include <algorithm>
#include <string>
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

// Every entry of the requested file's folder whose name matches without regard to letter case,
// regular files or not. A folder the user may enter but not list yields the exact name alone.
std::vector<std::filesystem::directory_entry> EntriesNamed(const std::filesystem::path& requested) {
    std::error_code ec;
    std::filesystem::path folder = requested.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const std::string wanted = requested.filename().string();
    std::vector<std::filesystem::directory_entry> entries;
    std::filesystem::directory_iterator listing(folder, ec);
    if (ec) {
        std::filesystem::directory_entry exact(folder / wanted, ec);
        if (!ec && exact.exists(ec)) {
            entries.push_back(exact);
        }
        return entries;
    }
    for (const auto& entry : listing) {
        if (SameNameIgnoringCase(entry.path().filename().string(), wanted)) {
            entries.push_back(entry);
        }
    }
    return entries;
}

}  // namespace

std::optional<std::filesystem::path> FindDatabaseFile(const std::filesystem::path& requested) {
    std::error_code ec;
    std::vector<std::filesystem::path> matches;
    for (const auto& entry : EntriesNamed(requested)) {
        if (entry.is_regular_file(ec)) {
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

std::optional<std::filesystem::path> FindNonFileEntry(const std::filesystem::path& requested) {
    std::error_code ec;
    for (const auto& entry : EntriesNamed(requested)) {
        if (!entry.is_regular_file(ec)) {
            return entry.path();
        }
    }
    return std::nullopt;
}

std::filesystem::path WorkFileBeside(const std::filesystem::path& file, const char* purpose) {
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    // Appended piece by piece: GCC 12 at -O3 warns falsely about "." + a temporary string.
    std::string name(1, '.');
    name += file.filename().string();
    name += '.';
    name += purpose;
    name += '-';
    name += std::to_string(getpid());
    return folder / name;
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
