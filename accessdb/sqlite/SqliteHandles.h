#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Failures.h"

// RAII over the SQLite C API; the one place where its result codes become DatabaseError.
namespace accessdb::sqlite {

struct CloseDatabase {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;

// Throws DatabaseError with the engine's code and the user's description (Failures.h) when rc
// is not a success code.
void Check(sqlite3* db, int rc, Intent intent = Intent::Read);
[[noreturn]] void Fail(sqlite3* db, int rc, Intent intent = Intent::Read);

// Runs statements that return no rows; most change the file (BEGIN IMMEDIATE, COMMIT).
void Execute(sqlite3* db, const char* sql, Intent intent = Intent::Write);

// A prepared statement that lives for one use.
class Statement {
  public:
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::string_view text);
    Statement& BindNull(int index);
    // True while a row is available; false when done.
    bool Step();
    void Run();  // steps a statement that returns no rows
    // Ready to run again with new values, for a statement used row after row.
    void Reset();

    std::string Text(int column) const;  // NULL reads as the empty text
    std::int64_t Integer(int column) const;
    bool IsNull(int column) const;
    bool IsInteger(int column) const;

  private:
    Intent StepIntent() const;

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

}  // namespace accessdb::sqlite
