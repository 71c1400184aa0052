#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "accessdb/DatabaseError.h"

// Database work run in a child process, as an ordinary user when the tests run as root (as CI
// does) unless asked otherwise: root reads and writes every file whatever its permissions, so a
// read-only file or folder only behaves as it does at a school's PC for another user. A child also
// holds its locks as a program of its own, as the other program at the site does.

inline constexpr uid_t kOrdinaryUser = 65534;  // "nobody"

struct ChildOutcome {
    int code = 0;        // the DatabaseError's code; 0 when the work succeeded
    std::string output;  // its description, or what the work returned
};

// Everything under path belongs to the user the child runs as (nothing changes when the tests
// run as an ordinary user already).
inline void HandToChildUser(const std::filesystem::path& path) {
    if (geteuid() != 0) {
        return;
    }
    std::error_code ec;
    if (lchown(path.c_str(), kOrdinaryUser, kOrdinaryUser) != 0) {
        return;
    }
    if (std::filesystem::is_directory(path, ec)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
            if (lchown(entry.path().c_str(), kOrdinaryUser, kOrdinaryUser) != 0) {
                return;
            }
        }
    }
}

// Work started at once in a child process; as the ordinary user when asked and run as root.
class ChildProcess {
  public:
    explicit ChildProcess(const std::function<std::string()>& work, bool asOrdinaryUser = true) {
        int channel[2];
        if (pipe(channel) != 0) {
            m_failure = "pipe failed";
            return;
        }
        m_pid = fork();
        if (m_pid < 0) {
            close(channel[0]);
            close(channel[1]);
            m_failure = "fork failed";
            return;
        }
        if (m_pid == 0) {
            close(channel[0]);
            std::string message;
            if (asOrdinaryUser && geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(kOrdinaryUser) != 0 ||
                 setuid(kOrdinaryUser) != 0)) {
                message = "-1\ncould not become an ordinary user";
            } else {
                try {
                    message = "0\n" + work();
                } catch (const accessdb::DatabaseError& error) {
                    message = std::to_string(error.Code()) + "\n" + error.Description();
                } catch (const std::exception& error) {
                    message = "-1\n" + std::string(error.what());
                }
            }
            for (std::size_t written = 0; written < message.size();) {
                const ssize_t n =
                    write(channel[1], message.data() + written, message.size() - written);
                if (n <= 0) {
                    break;
                }
                written += static_cast<std::size_t>(n);
            }
            _exit(0);
        }
        close(channel[1]);
        m_pipe = channel[0];
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    ChildOutcome Wait() {
        if (m_pid < 0) {
            return {-1, m_failure};
        }
        std::string message;
        char buffer[512];
        for (ssize_t n; (n = read(m_pipe, buffer, sizeof buffer)) > 0;) {
            message.append(buffer, static_cast<std::size_t>(n));
        }
        close(m_pipe);
        int status = 0;
        waitpid(m_pid, &status, 0);
        const std::size_t newline = message.find('\n');
        if (!WIFEXITED(status) || newline == std::string::npos) {
            return {-2, "the child process ended abnormally: " + message};
        }
        return {std::stoi(message.substr(0, newline)), message.substr(newline + 1)};
    }

  private:
    pid_t m_pid = -1;
    int m_pipe = -1;
    std::string m_failure;
};

inline ChildOutcome InChildProcess(const std::function<std::string()>& work) {
    return ChildProcess(work).Wait();
}
