#include "CMirevalDoc.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "ShellTexts.h"

namespace mireval {

bool CMirevalDoc::OnNewDocument() {
    // Built, then moved in: GCC 12 at -O3 takes assigning the literal in place for an
    // overlapping copy (-Werror=restrict) and stops the optimised build.
    m_title = std::string(ui::texts::kNewDocumentName);
    m_path.reset();
    return true;
}

bool CMirevalDoc::OnOpenDocument(const std::filesystem::path& file, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    m_title = file.filename().string();
    m_path = file;
    return true;
}

bool CMirevalDoc::OnSaveDocument(const std::filesystem::path& file,
                                 const std::filesystem::path& database, std::string& error) {
    // The empty document must never replace the students' data.
    std::error_code ignored;
    if (std::filesystem::exists(database, ignored) &&
        std::filesystem::equivalent(file, database, ignored)) {
        error = ui::texts::kNotTheDatabase;
        return false;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    m_title = file.filename().string();
    m_path = file;
    return true;
}

}  // namespace mireval
