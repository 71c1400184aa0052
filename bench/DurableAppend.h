#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

// The least a durable record can cost on this disk, without SQLite: open a file, append one
// 4 KiB page (what a commit adds to the write-ahead log, near enough), wait until it is on
// the disk, close. A card's database time is quoted as a multiple of it.
namespace bench {

class DurableAppend {
  public:
    // Starts an empty file beside the database, on the same file system.
    explicit DurableAppend(std::filesystem::path file) : m_file(std::move(file)) {
        std::filesystem::remove(m_file);
        m_page.fill('x');
    }
    ~DurableAppend() {
        std::error_code ignored;
        std::filesystem::remove(m_file, ignored);
    }
    DurableAppend(const DurableAppend&) = delete;
    DurableAppend& operator=(const DurableAppend&) = delete;

    void Once() const {
        const int fd = ::open(m_file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            Fail("open", errno);
        }
        const char* failed = nullptr;
        int error = 0;
        const ssize_t written = ::write(fd, m_page.data(), m_page.size());
        if (written != static_cast<ssize_t>(m_page.size())) {
            failed = "write";
            error = written < 0 ? errno : ENOSPC;
        } else if (::fdatasync(fd) != 0) {
            failed = "fdatasync";
            error = errno;
        }
        if (::close(fd) != 0 && failed == nullptr) {
            failed = "close";
            error = errno;
        }
        if (failed != nullptr) {
            Fail(failed, error);
        }
    }

  private:
    [[noreturn]] void Fail(const char* what, int error) const {
        throw std::runtime_error(std::string(what) + " " + m_file.string() + ": " +
                                 std::strerror(error));
    }

    std::filesystem::path m_file;
    std::array<char, 4096> m_page{};
};

}  // namespace bench
