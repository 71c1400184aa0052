#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace mireval {

// The document the single-document frame needs. It holds no data: opening reads nothing and
// saving writes an empty file; only the window title follows it.
class CMirevalDoc {
  public:
    bool OnNewDocument();
    // False, with the reason, when the file cannot be read.
    bool OnOpenDocument(const std::filesystem::path& file, std::string& error);
    // False, with the reason, when the file cannot be written or is the database itself.
    bool OnSaveDocument(const std::filesystem::path& file, const std::filesystem::path& database,
                        std::string& error);

    // " " for a new document, else the file's name.
    std::string GetTitle() const { return m_title; }
    const std::optional<std::filesystem::path>& GetPathName() const { return m_path; }

  private:
    std::string m_title = " ";
    std::optional<std::filesystem::path> m_path;
};

}  // namespace mireval
