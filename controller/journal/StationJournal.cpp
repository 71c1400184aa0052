#include "StationJournal.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "accessdb/NullColumns.h"
#include "controller/journal/StateFiles.h"

namespace tarvo {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFileName = "diario";
constexpr char kAccess = 'A';
constexpr char kAttempt = 'I';
constexpr char kWritten = 'H';

[[noreturn]] void Fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

std::string LineOf(const OwedRecord& record) {
    std::string line(1, record.access ? kAccess : kAttempt);
    const auto add = [&](const std::string& field) { line += '\t' + Escaped(field); };
    add(record.key);
    if (record.access) {
        for (const std::string* field : accessdb::TextColumns(*record.access)) {
            add(*field);
        }
    } else {
        for (const std::string* field : accessdb::TextColumns(record.attempt)) {
            add(*field);
        }
    }
    return line + '\n';
}

std::optional<OwedRecord> RecordOf(const std::vector<std::string>& f) {
    if (f[0].size() == 1 && f[0][0] == kAccess && f.size() == 6) {
        return OwedRecord{f[1], accessdb::AccessRecord{f[2], f[3], f[4], f[5]}, {}};
    }
    if (f[0].size() == 1 && f[0][0] == kAttempt && f.size() == 9) {
        return OwedRecord{f[1], std::nullopt, {f[2], f[3], f[4], f[5], f[6], f[7], f[8]}};
    }
    return std::nullopt;
}

}  // namespace

StationJournal::StationJournal(fs::path folder) {
    if (folder.empty()) {
        return;
    }
    MakePrivateFolder(folder);
    m_file = folder / kFileName;
    std::ifstream in(m_file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof()) {
            break;  // a last line without its end was being written when the station died
        }
        const std::vector<std::string> fields = Fields(line);
        if (fields[0].size() == 1 && fields[0][0] == kWritten && fields.size() == 2) {
            std::erase_if(m_owed, [&](const OwedRecord& r) { return r.key == fields[1]; });
        } else if (std::optional<OwedRecord> record = RecordOf(fields)) {
            m_owed.push_back(std::move(*record));
        }
    }
}

void StationJournal::Owe(const OwedRecord& record) {
    Append(LineOf(record), true);
    m_owed.push_back(record);
}

void StationJournal::Written(const std::string& key) {
    std::erase_if(m_owed, [&](const OwedRecord& r) { return r.key == key; });
    if (m_file.empty()) {
        return;
    }
    if (m_owed.empty()) {
        // Nothing owed: the journal starts again empty rather than growing card after card.
        if (::truncate(m_file.c_str(), 0) != 0) {
            Fail("no se puede vaciar " + m_file.string());
        }
        return;
    }
    // Not synced: a mark lost in a power cut only makes the record owed again, and the
    // database refuses it a second time.
    Append(std::string(1, kWritten) + '\t' + Escaped(key) + '\n', false);
}

void StationJournal::Append(const std::string& line, bool sync) {
    if (!m_file.empty()) {
        AppendToFile(m_file, line, sync);
    }
}

fs::path StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && *state == '/') {
        return fs::path(state) / "tarvo";
    }
    const char* home = std::getenv("HOME");
    if (::geteuid() == 0 || home == nullptr || *home != '/') {
        return "/var/lib/tarvo";
    }
    return fs::path(home) / ".local" / "state" / "tarvo";
}

}  // namespace tarvo
