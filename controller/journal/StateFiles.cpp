#include "StateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "controller/cycle/UniqueFd.h"

namespace tarvo {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void WriteAll(int fd, const std::string& contents, const fs::path& file) {
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            Fail("no se puede escribir en " + file.string());
        }
        written += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\n':
                escaped += "\\n";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\t') {
            fields.emplace_back();
        } else if (line[i] == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            fields.back() += line[i];
        }
    }
    return fields;
}

void MakePrivateFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        throw std::system_error(ec, "no se puede crear la carpeta " + folder.string());
    }
    if (::chmod(folder.c_str(), 0700) != 0) {
        Fail("no se puede reservar al usuario la carpeta " + folder.string());
    }
}

void AppendToFile(const fs::path& file, const std::string& text, bool sync) {
    const UniqueFd fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
    if (fd.Get() < 0) {
        Fail("no se puede abrir " + file.string());
    }
    WriteAll(fd.Get(), text, file);
    if (sync && ::fdatasync(fd.Get()) != 0) {
        Fail("no se puede asegurar en disco " + file.string());
    }
}

void ReplaceWhole(const fs::path& file, const std::string& contents) {
    const fs::path fresh = file.string() + ".nuevo";
    {
        const UniqueFd fd(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (fd.Get() < 0) {
            Fail("no se puede crear " + fresh.string());
        }
        WriteAll(fd.Get(), contents, fresh);
        if (::fdatasync(fd.Get()) != 0) {
            Fail("no se puede asegurar en disco " + fresh.string());
        }
    }
    if (::rename(fresh.c_str(), file.c_str()) != 0) {
        Fail("no se puede sustituir " + file.string());
    }
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() < 0 || ::fsync(directory.Get()) != 0) {
        Fail("no se puede asegurar en disco la carpeta " + folder.string());
    }
}

}  // namespace tarvo
