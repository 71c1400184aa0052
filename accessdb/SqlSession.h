#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The one way the database layer's jobs reach either engine: statements with bound values and
// the rows they return. The jobs are written once on it; each engine keeps its own code only
// where its SQL or its behaviour really differs.
namespace accessdb {

// A parameter's value: a text, a whole number or NULL (a plain tagged struct rather than a
// variant, which GCC 12 warns about falsely when optimising).
struct SqlValue {
    enum class Kind { Text, Number, Null };

    SqlValue(std::string value) : text(std::move(value)) {}              // NOLINT: values convert
    SqlValue(const char* value) : text(value) {}                         // NOLINT
    SqlValue(std::int64_t value) : kind(Kind::Number), number(value) {}  // NOLINT
    static SqlValue Null() { return SqlValue(Kind::Null); }

    Kind kind = Kind::Text;
    std::string text;
    std::int64_t number = 0;

  private:
    explicit SqlValue(Kind k) : kind(k) {}
};
using SqlValues = std::vector<SqlValue>;

// A statement and the values of its parameters.
struct SqlStatement {
    std::string sql;
    SqlValues values;
};

// The rows of one statement, read forward.
class SqlRows {
  public:
    virtual ~SqlRows() = default;
    // True while a row is available.
    virtual bool Next() = 0;
    virtual bool IsNull(int column) const = 0;
    // Whether the value is stored as a whole number (a DNI the table holds as text is not).
    virtual bool IsInteger(int column) const = 0;
    virtual std::string Text(int column) const = 0;      // NULL reads as ""
    virtual std::int64_t Integer(int column) const = 0;  // NULL reads as 0
};

enum class TransactionKind {
    Read,           // several reads that see one state of the tables while stations append
    Write,          // a console's change: after any other console's, all or nothing
    UnlockedWrite,  // all or nothing, but no console's check-then-write can meet it (old rows)
};

// Beginning and ending transactions: what the one Transaction type (Transaction.h) drives.
class TransactionControl {
  public:
    virtual ~TransactionControl() = default;
    // Whether a transaction is open (begun by anyone on this connection).
    virtual bool InTransaction() const = 0;
    virtual void Begin(TransactionKind kind) = 0;
    // Throws when the change was not stored, never reporting a rolled-back change as done.
    virtual void Commit() = 0;
    virtual void Rollback() noexcept = 0;
};

// A connection to either engine. Statements use "?" for their parameters and unquoted names
// (the server folds them to lower case, the file ignores case), so one text serves both.
// Failures throw DatabaseError with a Spanish description.
class SqlSession : public TransactionControl {
  public:
    virtual std::unique_ptr<SqlRows> Query(std::string_view sql, const SqlValues& values = {}) = 0;
    // A statement that returns no rows; how many rows it changed.
    virtual std::int64_t Execute(std::string_view sql, const SqlValues& values = {}) = 0;
    // Writes that return no rows, as one all-or-nothing change that takes no console's lock
    // (joining a transaction already open).
    virtual void ExecuteTogether(const std::vector<SqlStatement>& statements);

    // Where the engines' SQL differs:
    // the ISO day ("2024-03-05") an access date text in `column` denotes (" 5/03/2024"), as an
    // SQL expression; "" for a text that is not such a date.
    virtual std::string DayOf(std::string_view column) const = 0;
    // The column that gives Picadas' rows in the order written.
    virtual std::string_view AccessOrder() const = 0;
    // False once the connection was lost or abandoned: nothing more can go through it.
    virtual bool Usable() const { return true; }
};

// The first value of the first row, as a number (0 when there is none).
std::int64_t QueryNumber(SqlSession& session, std::string_view sql, const SqlValues& values = {});

}  // namespace accessdb
