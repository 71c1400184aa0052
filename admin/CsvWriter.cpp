#include "CsvWriter.h"

namespace admin {

namespace {

bool NeedsQuotes(const std::string& field, char separator) {
    if (field.empty()) {
        return false;
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return field.find_first_of(std::string{separator, '"', '\r', '\n'}) != std::string::npos ||
           blank(field.front()) || blank(field.back());
}

}  // namespace

std::string CsvLine(const std::vector<std::string>& fields, char separator) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line += separator;
        }
        const std::string& field = fields[i];
        if (!NeedsQuotes(field, separator)) {
            line += field;
            continue;
        }
        line += '"';
        for (const char c : field) {
            line += c;
            if (c == '"') {
                line += '"';
            }
        }
        line += '"';
    }
    line += '\n';
    return line;
}

}  // namespace admin
