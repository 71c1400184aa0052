#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "support/TempFolder.h"

// tarvo-admin run as a script runs it: no terminal (standard input from /dev/null unless
// given), its exit code, and standard output and standard error apart.
struct AdminRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

inline std::string ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `prefix` goes before the program (a "cd DIR &&", an "env VAR=..."), `arguments` after it,
// each already quoted for the shell where needed.
inline AdminRun RunAdminProgram(const std::string& arguments, const std::string& prefix = "",
                                const std::string& input = "/dev/null") {
    TempFolder capture;
    const std::string command = prefix + " " + std::string(TARVO_ADMIN) + " " + arguments + " <" +
                                ShellQuoted(input) + " >" +
                                ShellQuoted((capture / "out").string()) + " 2>" +
                                ShellQuoted((capture / "err").string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWhole(capture / "out"),
            ReadWhole(capture / "err")};
}

inline void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}
