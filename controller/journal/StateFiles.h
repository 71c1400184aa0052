#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What the door station's files in its state folder share: one record per line, fields
// separated by tabs, and the folder readable by the station's user only. Failures throw
// std::system_error.
namespace tarvo {

// A field with tabs, line ends and the escape itself escaped.
std::string Escaped(const std::string& text);
// The fields of one line, unescaped.
std::vector<std::string> Fields(const std::string& line);

// The folder, made if missing, readable by this user only: what a station keeps names
// students and their comings and goings.
void MakePrivateFolder(const std::filesystem::path& folder);

// `text` added at the end of the file (made readable by this user only if missing); on disk
// when this returns if `sync`.
void AppendToFile(const std::filesystem::path& file, const std::string& text, bool sync);

// The file replaced by `contents` whole or not at all, and on disk when this returns: a new
// file beside it, synced, renamed over it, and the folder synced.
void ReplaceWhole(const std::filesystem::path& file, const std::string& contents);

}  // namespace tarvo
