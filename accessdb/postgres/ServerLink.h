#pragma once

#include <libpq-fe.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "accessdb/DatabaseError.h"
#include "accessdb/StorageLocation.h"

// One connection to the site's database server that never blocks longer than its deadlines:
// libpq's asynchronous calls, waited for with poll(). A server that stops answering (stopped,
// paused, cut off by the network) costs a door station a few seconds, never a frozen window.
namespace accessdb::postgres {

// Connecting, including the login, must be done within this time.
inline constexpr std::chrono::milliseconds kConnectDeadline{3000};
// Each statement's answer must be back within this time. The server's own statement_timeout
// is set a little lower, so a slow but living server answers with its error first.
inline constexpr std::chrono::milliseconds kStatementDeadline{4000};
inline constexpr int kServerStatementTimeoutMs = 3500;
// How long a write transaction waits for another console's (and any statement for a table
// lock); the consoles' transactions last milliseconds.
inline constexpr int kServerLockTimeoutMs = 3000;

struct ConnectionCloser {
    void operator()(PGconn* connection) const noexcept { PQfinish(connection); }
};
using ConnectionHandle = std::unique_ptr<PGconn, ConnectionCloser>;

struct ResultClearer {
    void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using ResultHandle = std::unique_ptr<PGresult, ResultClearer>;

// The parameters of one statement, bound by type: a DNI always goes as a bigint, never as text.
class Parameters {
  public:
    Parameters& Number(std::int64_t value);
    Parameters& Text(std::string_view value);
    Parameters& Null();

    int Count() const { return static_cast<int>(m_values.size()); }
    const Oid* Types() const { return m_types.data(); }
    std::vector<const char*> Values() const;

  private:
    std::vector<std::optional<std::string>> m_values;  // none: NULL
    std::vector<Oid> m_types;
};

class ServerLink {
  public:
    // Connects to the server the location names (a libpq connection string or URI). Throws
    // DatabaseError: a string libpq cannot read, a server that cannot be reached or does not
    // answer in time, a refused login.
    static ServerLink Connect(const StorageLocation& location);

    // One statement with bound parameters; its result (rows, or the count of changed rows).
    // The first kKeptPlans statements (with their parameters' types) are prepared on the
    // connection and planned once: a door station's cards are the same few statements all day.
    ResultHandle Run(const char* sql, const Parameters& parameters = {});
    static constexpr std::size_t kKeptPlans = 32;
    // Several statements without parameters in one round trip; the last one's result.
    ResultHandle RunScript(const char* sql);

    // How long each statement's answer may take from now on (kStatementDeadline until set).
    void SetStatementDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }

    // Whether a transaction is open (or failed and not yet rolled back).
    PGTransactionStatusType TransactionStatus() const;
    // False once the connection was lost or abandoned after a deadline.
    bool IsOpen() const { return m_connection != nullptr; }
    const std::string& Origin() const { return m_origin; }

  private:
    ServerLink(ConnectionHandle connection, std::string origin, std::vector<std::string> secrets)
        : m_connection(std::move(connection)),
          m_origin(std::move(origin)),
          m_secrets(std::move(secrets)) {}

    static ServerLink Establish(const StorageLocation& location,
                                const std::vector<std::string>& secrets);
    // The error with nothing of the connection string in its text.
    DatabaseError Shown(const DatabaseError& error) const;

    ResultHandle Collect(std::chrono::steady_clock::time_point deadline);
    void Flush(std::chrono::steady_clock::time_point deadline);
    [[noreturn]] void Abandon();
    [[noreturn]] void Lost();
    PGconn* Require();

    ConnectionHandle m_connection;
    std::string m_origin;
    std::vector<std::string> m_secrets;  // SecretsOf the connection string
    std::chrono::milliseconds m_deadline = kStatementDeadline;
    // Each prepared statement's name, by its text and its parameters' types.
    std::unordered_map<std::string, std::string> m_plans;
};

// The count of rows a statement changed, from its command status.
std::size_t ChangedRows(const PGresult* result);

// A field of a result as text, a null as an empty text.
std::string Value(const PGresult* result, int row, int column);

}  // namespace accessdb::postgres
