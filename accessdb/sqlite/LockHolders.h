#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace accessdb::sqlite {

// Bytes of a file that SQLite locks to say what a connection is doing (writing, reading).
struct LockedRange {
    std::filesystem::path file;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
};

// A program that holds such a lock.
struct LockHolder {
    pid_t pid = 0;
    std::string program;  // the process's command name, as `ps` shows it
};

// The other processes of this machine that hold a lock overlapping one of the ranges, each
// once. Read from the kernel's lock table, so it names processes of every user; this process's
// own locks are left out. Empty when nothing can be told.
std::vector<LockHolder> OtherLockHolders(const std::vector<LockedRange>& ranges);

// "«tarvo» (proceso 4242) y «mireval» (proceso 4243)", for the user's texts.
std::string Named(const std::vector<LockHolder>& holders);

}  // namespace accessdb::sqlite
