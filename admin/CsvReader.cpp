#include "CsvReader.h"

namespace admin {

namespace {

bool AtLineEnd(std::string_view text, std::size_t i) {
    return i < text.size() && (text[i] == '\n' || text[i] == '\r');
}

// Steps over one line end (CR LF counts as one) and returns the index after it.
std::size_t SkipLineEnd(std::string_view text, std::size_t i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        return i + 2;
    }
    return i + 1;
}

class Parser {
  public:
    Parser(std::string_view text, char separator) : m_text(text), m_separator(separator) {}

    CsvTable Run() {
        CsvTable table;
        table.separator = m_separator;
        while (m_i < m_text.size()) {
            if (AtLineEnd(m_text, m_i)) {
                m_i = SkipLineEnd(m_text, m_i);
                ++m_line;
                continue;
            }
            CsvRecord record;
            record.line = m_line;
            if (std::string fault = ReadRecord(record.fields); fault.empty()) {
                table.records.push_back(std::move(record));
            } else {
                table.faults.push_back({record.line, std::move(fault)});
            }
        }
        return table;
    }

  private:
    // One record up to and including its line end; a fault text when it cannot be read, after
    // which reading goes on at the next line.
    std::string ReadRecord(std::vector<std::string>& fields) {
        for (;;) {
            std::string field;
            if (m_i < m_text.size() && m_text[m_i] == '"') {
                const std::size_t opened = m_line;
                if (!ReadQuoted(field)) {
                    return "las comillas abiertas en la línea " + std::to_string(opened) +
                           " no se cierran antes del final del archivo";
                }
                if (m_i < m_text.size() && m_text[m_i] != m_separator && !AtLineEnd(m_text, m_i)) {
                    SkipRestOfLine();
                    return "hay texto después de las comillas que cierran un campo (las "
                           "comillas dentro de un campo se escriben dobles: \"\")";
                }
            } else {
                while (m_i < m_text.size() && m_text[m_i] != m_separator &&
                       !AtLineEnd(m_text, m_i)) {
                    field += m_text[m_i++];
                }
            }
            fields.push_back(std::move(field));
            if (m_i < m_text.size() && m_text[m_i] == m_separator) {
                ++m_i;
                continue;
            }
            if (m_i < m_text.size()) {
                m_i = SkipLineEnd(m_text, m_i);
                ++m_line;
            }
            return {};
        }
    }

    bool ReadQuoted(std::string& field) {
        ++m_i;
        while (m_i < m_text.size()) {
            const char c = m_text[m_i];
            if (c == '"') {
                if (m_i + 1 < m_text.size() && m_text[m_i + 1] == '"') {
                    field += '"';
                    m_i += 2;
                    continue;
                }
                ++m_i;
                return true;
            }
            if (AtLineEnd(m_text, m_i)) {
                const std::size_t next = SkipLineEnd(m_text, m_i);
                field.append(m_text.substr(m_i, next - m_i));
                m_i = next;
                ++m_line;
                continue;
            }
            field += c;
            ++m_i;
        }
        return false;
    }

    void SkipRestOfLine() {
        while (m_i < m_text.size() && !AtLineEnd(m_text, m_i)) {
            ++m_i;
        }
        if (m_i < m_text.size()) {
            m_i = SkipLineEnd(m_text, m_i);
            ++m_line;
        }
    }

    std::string_view m_text;
    char m_separator;
    std::size_t m_i = 0;
    std::size_t m_line = 1;
};

}  // namespace

char DetectSeparator(std::string_view text) {
    std::size_t semicolons = 0;
    std::size_t commas = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            if (semicolons + commas > 0) {
                break;  // the first line that holds a separator: the header
            }
        } else if (!quoted && c == ';') {
            ++semicolons;
        } else if (!quoted && c == ',') {
            ++commas;
        }
    }
    return commas > semicolons ? ',' : ';';
}

CsvTable ReadCsv(std::string_view text) { return Parser(text, DetectSeparator(text)).Run(); }

}  // namespace admin
