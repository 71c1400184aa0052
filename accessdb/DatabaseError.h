#pragma once

#include <exception>
#include <string>

namespace accessdb {

// Codes the callers branch on. Engine failures carry SQLite's own result code, which never
// collides with these.
inline constexpr int kNoCurrentRow = 3021;         // the row looked for does not exist, or no rows
inline constexpr int kFileNotFound = 3024;         // the database file is missing
inline constexpr int kInvalidDni = 3075;           // a DNI that is not eight decimal digits
inline constexpr int kColumnNotFound = 3265;       // a column the table lacks
inline constexpr int kStoredDniNotANumber = 3464;  // a DNI the table holds as text, not number
inline constexpr int kTargetNotEmpty = 3012;       // moving a site: the target already has rows
inline constexpr int kCopyMismatch = 3197;         // moving a site: the copy read back differs
inline constexpr int kDatabaseTooNew = 3343;       // a database of a newer version than the program
inline constexpr int kDuplicateKey = 3022;         // a student with this DNI exists
inline constexpr int kInvalidDay = 3421;           // a day that is not an ISO "YYYY-MM-DD"
// The site's database server (PostgreSQL); the description carries the server's own words.
inline constexpr int kServerAddressInvalid = 3001;    // TARVO_DATABASE cannot be read by libpq
inline constexpr int kServerUnreachable = 3151;       // no connection, or it was lost
inline constexpr int kServerNoAnswer = 3234;          // the server did not answer in time
inline constexpr int kServerLoginRefused = 3029;      // wrong user or password
inline constexpr int kServerPermissionDenied = 3033;  // the role may not do this
inline constexpr int kTablesMissing = 3078;           // a table the programs use is missing
inline constexpr int kServerWriteLocked = 3260;       // another console's change took too long
inline constexpr int kServerError = 3146;             // any other refusal by the server

// What kind of failure a code is, for callers that act on it (wait and retry, keep the record
// for later, tell the user to correct a value) rather than show it.
enum class FailureKind {
    Busy,         // another program holds the data for longer than the wait
    Duplicate,    // the row exists already
    Unreachable,  // the server cannot be reached, or did not answer in time
    Denied,       // the login or the file's permissions do not allow it
    Damaged,      // the file or the tables are not what the programs use
    Invalid,      // a value given to the database layer is not acceptable
    Other,
};

// The one failure type of the database layer: a numeric code, its kind and a text for the user.
class DatabaseError : public std::exception {
  public:
    DatabaseError(int code, std::string description)
        : m_code(code), m_description(std::move(description)) {}

    int Code() const noexcept { return m_code; }
    FailureKind Kind() const noexcept;
    const std::string& Description() const noexcept { return m_description; }
    bool IsNoCurrentRow() const noexcept { return m_code == kNoCurrentRow; }
    const char* what() const noexcept override { return m_description.c_str(); }

  private:
    int m_code;
    std::string m_description;
};

// "No current row", as the console shows it where a row it works on is gone.
DatabaseError NoCurrentRowError();

}  // namespace accessdb
