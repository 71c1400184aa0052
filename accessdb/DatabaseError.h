#pragma once

#include <exception>
#include <string>

namespace accessdb {

// Codes the callers branch on. Engine failures carry SQLite's own result code, which never
// collides with these.
inline constexpr int kNoCurrentRow = 3021;    // the row looked for does not exist, or no rows
inline constexpr int kFileNotFound = 3024;    // the database file is missing
inline constexpr int kInvalidDni = 3075;      // a DNI that is not eight decimal digits
inline constexpr int kColumnNotFound = 3265;  // a column the table lacks
inline constexpr int kStoredDniNotANumber = 3464;  // a DNI the table holds as text, not number
inline constexpr int kTargetNotEmpty = 3012;       // moving a site: the target already has rows
inline constexpr int kCopyMismatch = 3197;         // moving a site: the copy read back differs

// The one failure type of the database layer: a numeric code and a text for the user.
class DatabaseError : public std::exception {
  public:
    DatabaseError(int code, std::string description)
        : m_code(code), m_description(std::move(description)) {}

    int Code() const noexcept { return m_code; }
    const std::string& Description() const noexcept { return m_description; }
    bool IsNoCurrentRow() const noexcept { return m_code == kNoCurrentRow; }
    const char* what() const noexcept override { return m_description.c_str(); }

  private:
    int m_code;
    std::string m_description;
};

}  // namespace accessdb
