#include "StudentCopy.h"

#include <algorithm>
#include <charconv>
#include <fstream>

#include "accessdb/NullColumns.h"
#include "controller/journal/StateFiles.h"

namespace tarvo {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStudentsFile = "copia";
constexpr const char* kConfirmationFile = "copia-vigente";
constexpr const char* kHeader = "tarvo copia de alumnos 1";
constexpr std::size_t kStudentFields = 10;

std::optional<std::int64_t> NumberIn(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (failure != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string Formatted(std::time_t when, const char* format) {
    std::tm local{};
    char text[32] = {};
    if (localtime_r(&when, &local) == nullptr ||
        std::strftime(text, sizeof text, format, &local) == 0) {
        return {};
    }
    return text;
}

}  // namespace

std::optional<accessdb::StudentRecord> StudentCopy::Find(std::string_view dni) const {
    const auto found =
        std::lower_bound(students.begin(), students.end(), dni,
                         [](const accessdb::StudentRecord& student, std::string_view wanted) {
                             return student.dni < wanted;
                         });
    if (found == students.end() || found->dni != dni) {
        return std::nullopt;
    }
    return *found;
}

bool StudentCopy::UsableAt(std::time_t now) const {
    const std::int64_t age = std::max<std::int64_t>(0, static_cast<std::int64_t>(now - currentAt));
    return limitHours > 0 && age < static_cast<std::int64_t>(limitHours) * 3600;
}

void SaveCopy(const fs::path& folder, const StudentCopy& copy) {
    MakePrivateFolder(folder);
    std::string contents = std::string(kHeader) + '\t' + std::to_string(copy.changes) + '\t' +
                           std::to_string(copy.currentAt) + '\t' + std::to_string(copy.limitHours) +
                           '\n';
    for (const accessdb::StudentRecord& student : copy.students) {
        std::string line;
        for (const std::string* field : accessdb::TextColumns(student)) {
            line += (line.empty() ? "" : "\t") + Escaped(*field);
        }
        contents += line + '\n';
    }
    // The count at the end: a copy cut short is no copy.
    contents += "fin\t" + std::to_string(copy.students.size()) + '\n';
    ReplaceWhole(folder / kStudentsFile, contents);
    SaveConfirmation(folder, copy);
}

void SaveConfirmation(const fs::path& folder, const StudentCopy& copy) {
    ReplaceWhole(folder / kConfirmationFile, std::to_string(copy.changes) + '\t' +
                                                 std::to_string(copy.currentAt) + '\t' +
                                                 std::to_string(copy.limitHours) + '\n');
}

std::optional<StudentCopy> LoadCopy(const fs::path& folder) {
    std::ifstream in(folder / kStudentsFile, std::ios::binary);
    std::string line;
    if (!std::getline(in, line)) {
        return std::nullopt;
    }
    const std::vector<std::string> header = Fields(line);
    StudentCopy copy;
    const bool known = header.size() == 4 && header[0] == kHeader;
    const auto changes = known ? NumberIn(header[1]) : std::nullopt;
    const auto readAt = known ? NumberIn(header[2]) : std::nullopt;
    const auto limit = known ? NumberIn(header[3]) : std::nullopt;
    if (!changes || !readAt || !limit) {
        return std::nullopt;
    }
    copy.changes = *changes;
    copy.currentAt = static_cast<std::time_t>(*readAt);
    copy.limitHours = static_cast<int>(*limit);
    bool whole = false;
    while (std::getline(in, line)) {
        std::vector<std::string> f = Fields(line);
        if (f.size() == 2 && f[0] == "fin") {
            whole = NumberIn(f[1]) == static_cast<std::int64_t>(copy.students.size());
            break;
        }
        if (f.size() != kStudentFields) {
            return std::nullopt;
        }
        copy.students.push_back({std::move(f[0]), std::move(f[1]), std::move(f[2]), std::move(f[3]),
                                 std::move(f[4]), std::move(f[5]), std::move(f[6]), std::move(f[7]),
                                 std::move(f[8]), std::move(f[9])});
    }
    if (!whole) {
        return std::nullopt;
    }
    // The confirmation counts only for these students: one left from an older copy does not.
    std::ifstream confirmation(folder / kConfirmationFile, std::ios::binary);
    if (std::getline(confirmation, line)) {
        const std::vector<std::string> f = Fields(line);
        if (f.size() == 3 && NumberIn(f[0]) == copy.changes && NumberIn(f[1]) && NumberIn(f[2])) {
            copy.currentAt = static_cast<std::time_t>(*NumberIn(f[1]));
            copy.limitHours = static_cast<int>(*NumberIn(f[2]));
        }
    }
    return copy;
}

std::string ReportedTime(std::time_t when) { return Formatted(when, "%Y-%m-%d %H:%M:%S"); }

std::string ShownTime(std::time_t when) { return Formatted(when, "%d/%m/%Y %H:%M"); }

}  // namespace tarvo
