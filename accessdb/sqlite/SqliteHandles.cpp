#include "SqliteHandles.h"

#include "accessdb/DatabaseError.h"

namespace accessdb::sqlite {

void Fail(sqlite3* db, int rc, Intent intent) {
    if (rc == SQLITE_BUSY) {
        // This connection has waited its turn once and the other program still holds the file:
        // its further writes fail at once, so a card or a command waits one bounded time in
        // all, not once per statement.
        sqlite3_busy_timeout(db, 0);
    }
    throw Describe(db, rc, intent);
}

void Check(sqlite3* db, int rc, Intent intent) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
        Fail(db, rc, intent);
    }
}

void Execute(sqlite3* db, const char* sql, Intent intent) {
    Check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr), intent);
}

Statement::Statement(sqlite3* db, std::string_view sql) : m_db(db) {
    Check(m_db,
          sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr));
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

Statement& Statement::Bind(int index, std::int64_t value) {
    Check(m_db, sqlite3_bind_int64(m_stmt, index, value));
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    Check(m_db, sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                                  SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::BindNull(int index) {
    Check(m_db, sqlite3_bind_null(m_stmt, index));
    return *this;
}

bool Statement::Step() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    Fail(m_db, rc, StepIntent());
}

Intent Statement::StepIntent() const {
    return sqlite3_stmt_readonly(m_stmt) != 0 ? Intent::Read : Intent::Write;
}

void Statement::Run() {
    while (Step()) {
    }
}

void Statement::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::string Statement::Text(int column) const {
    const auto* text = sqlite3_column_text(m_stmt, column);
    if (text == nullptr) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)));
}

std::int64_t Statement::Integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

bool Statement::IsInteger(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER;
}

}  // namespace accessdb::sqlite
