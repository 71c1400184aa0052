#include "LockHolders.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

namespace accessdb::sqlite {

namespace {

struct RangeOnDisk {
    unsigned int major;
    unsigned int minor;
    unsigned long inode;
    std::uint64_t first;
    std::uint64_t last;
};

std::string ProgramName(pid_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace

std::vector<LockHolder> OtherLockHolders(const std::vector<LockedRange>& ranges) {
    std::vector<RangeOnDisk> wanted;
    for (const LockedRange& range : ranges) {
        struct stat st {};
        if (stat(range.file.c_str(), &st) == 0) {
            wanted.push_back({major(st.st_dev), minor(st.st_dev),
                              static_cast<unsigned long>(st.st_ino), range.first, range.last});
        }
    }
    // Lines such as "3: POSIX  ADVISORY  WRITE 4242 fe:00:10953425 120 120" (the end may be
    // "EOF"); a line marked "->" is a process waiting for that lock, not holding it.
    std::ifstream table("/proc/locks");
    std::vector<LockHolder> holders;
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, device, firstText, lastText;
        long pid = 0;
        fields >> number >> kind;
        if (kind == "->") {
            continue;
        }
        fields >> mode >> access >> pid >> device >> firstText >> lastText;
        unsigned int major = 0, minor = 0;
        unsigned long inode = 0;
        if (!fields || std::sscanf(device.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3 ||
            pid <= 0 || pid == getpid()) {
            continue;
        }
        const std::uint64_t first = std::strtoull(firstText.c_str(), nullptr, 10);
        const std::uint64_t last = lastText == "EOF" ? std::numeric_limits<std::uint64_t>::max()
                                                     : std::strtoull(lastText.c_str(), nullptr, 10);
        const bool overlaps = std::any_of(wanted.begin(), wanted.end(), [&](const auto& w) {
            return w.major == major && w.minor == minor && w.inode == inode && first <= w.last &&
                   w.first <= last;
        });
        const bool seen = std::any_of(holders.begin(), holders.end(),
                                      [&](const LockHolder& h) { return h.pid == pid; });
        if (overlaps && !seen) {
            holders.push_back({static_cast<pid_t>(pid), ProgramName(static_cast<pid_t>(pid))});
        }
    }
    return holders;
}

std::string Named(const std::vector<LockHolder>& holders) {
    std::string who;
    for (std::size_t i = 0; i < holders.size(); ++i) {
        who += i == 0 ? "" : (i + 1 == holders.size() ? " y " : ", ");
        who += "«" + holders[i].program + "» (proceso " + std::to_string(holders[i].pid) + ")";
    }
    return who;
}

}  // namespace accessdb::sqlite
