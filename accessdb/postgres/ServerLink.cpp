#include "ServerLink.h"

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <new>

#include "Secrets.h"
#include "ServerErrors.h"

namespace accessdb::postgres {

namespace {

using Clock = std::chrono::steady_clock;

// Type OIDs of the server's bigint and text.
constexpr Oid kBigintType = 20;
constexpr Oid kTextType = 25;

// Waits until the socket is ready for one of `events`; 0 when the deadline passed first.
short WaitFor(int socket, short events, Clock::time_point deadline) {
    if (socket < 0) {
        return events;  // a broken connection: libpq's next call reports it
    }
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return 0;
        }
        pollfd watched{socket, events, 0};
        const int ready = poll(&watched, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            // An error or hang-up counts as ready: reading then reports it.
            return watched.revents;
        }
        if (ready < 0 && errno != EINTR) {
            return events;
        }
    }
}

}  // namespace

Parameters& Parameters::Number(std::int64_t value) {
    m_values.push_back(std::to_string(value));
    m_types.push_back(kBigintType);
    return *this;
}

Parameters& Parameters::Text(std::string_view value) {
    m_values.emplace_back(value);
    m_types.push_back(kTextType);
    return *this;
}

Parameters& Parameters::Null() {
    m_values.emplace_back();
    m_types.push_back(0);  // the server takes the type the statement gives the place
    return *this;
}

std::vector<const char*> Parameters::Values() const {
    std::vector<const char*> values;
    for (const std::optional<std::string>& value : m_values) {
        values.push_back(value ? value->c_str() : nullptr);
    }
    return values;
}

DatabaseError ServerLink::Shown(const DatabaseError& error) const {
    return DatabaseError(error.Code(), WithoutSecrets(error.Description(), m_secrets));
}

ServerLink ServerLink::Connect(const StorageLocation& location) {
    const std::vector<std::string> secrets = SecretsOf(location.ConnectionString());
    try {
        return Establish(location, secrets);
    } catch (const DatabaseError& error) {
        // libpq's texts may quote the string, and the server's may name what it was given.
        throw DatabaseError(error.Code(), WithoutSecrets(error.Description(), secrets));
    }
}

ServerLink ServerLink::Establish(const StorageLocation& location,
                                 const std::vector<std::string>& secrets) {
    const std::string& origin = location.Origin();
    const std::string& address = location.ConnectionString();
    char* parseError = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(address.c_str(), &parseError);
    if (parsed == nullptr) {
        const std::string message = WithoutQuotedInput(parseError ? parseError : "");
        PQfreemem(parseError);
        throw AddressError(message, origin);
    }
    PQconninfoFree(parsed);

    // Keywords before the site's string are defaults it may override (libpq's own per-host
    // timeout, which lets a list of hosts move on to the next); the text encoding after it
    // is fixed, because the programs' texts are UTF-8.
    const char* const keywords[] = {"connect_timeout", "fallback_application_name", "dbname",
                                    "client_encoding", nullptr};
    const char* const values[] = {"2", "tarvo", address.c_str(), "UTF8", nullptr};
    ConnectionHandle connection(PQconnectStartParams(keywords, values, 1));
    if (!connection) {
        throw std::bad_alloc();
    }
    PGconn* raw = connection.get();
    // Verbose texts carry the SQLSTATE of a refused login, which tells the cases apart
    // whatever language the server speaks.
    PQsetErrorVerbosity(raw, PQERRORS_VERBOSE);
    const Clock::time_point deadline = Clock::now() + kConnectDeadline;
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (PQstatus(raw) != CONNECTION_BAD && polling != PGRES_POLLING_OK &&
           polling != PGRES_POLLING_FAILED) {
        const short wanted = polling == PGRES_POLLING_READING ? POLLIN : POLLOUT;
        if (WaitFor(PQsocket(raw), wanted, deadline) == 0) {
            throw NoAnswerError(kConnectDeadline, origin);  // closes the half-open connection
        }
        polling = PQconnectPoll(raw);
    }
    if (PQstatus(raw) != CONNECTION_OK) {
        throw ConnectError(raw, origin);
    }
    PQsetErrorVerbosity(raw, PQERRORS_DEFAULT);
    if (PQsetnonblocking(raw, 1) != 0) {
        throw LostError(raw, origin);
    }
    return ServerLink(std::move(connection), origin, secrets);
}

PGconn* ServerLink::Require() {
    if (!m_connection) {
        throw Shown(DatabaseError(kServerUnreachable,
                                  "La conexión con el servidor de base de datos que indica " +
                                      m_origin + " ya se había perdido. Vuelva a intentarlo."));
    }
    return m_connection.get();
}

void ServerLink::Abandon() {
    // A server that does not answer may never answer: the connection is dropped rather than
    // cancelled (a cancel request would wait on the same silent server). The server rolls back
    // whatever was open when it notices.
    m_connection.reset();
    throw Shown(NoAnswerError(m_deadline, m_origin));
}

void ServerLink::Lost() {
    DatabaseError error = Shown(LostError(m_connection.get(), m_origin));
    m_connection.reset();
    throw error;
}

void ServerLink::Flush(Clock::time_point deadline) {
    PGconn* connection = m_connection.get();
    for (;;) {
        const int pending = PQflush(connection);
        if (pending == 0) {
            return;
        }
        if (pending < 0) {
            Lost();
        }
        const short ready = WaitFor(PQsocket(connection), POLLIN | POLLOUT, deadline);
        if (ready == 0) {
            Abandon();
        }
        if ((ready & POLLIN) != 0 && PQconsumeInput(connection) == 0) {
            Lost();
        }
    }
}

ResultHandle ServerLink::Collect(Clock::time_point deadline) {
    PGconn* connection = m_connection.get();
    ResultHandle last;
    ResultHandle failure;
    for (;;) {
        while (PQisBusy(connection) != 0) {
            if (WaitFor(PQsocket(connection), POLLIN, deadline) == 0) {
                Abandon();
            }
            if (PQconsumeInput(connection) == 0) {
                Lost();
            }
        }
        ResultHandle result(PQgetResult(connection));
        if (!result) {
            break;
        }
        const ExecStatusType status = PQresultStatus(result.get());
        if (status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE) {
            if (!failure) {
                failure = std::move(result);
            }
        } else {
            last = std::move(result);
        }
    }
    if (failure) {
        DatabaseError error = Shown(StatementError(connection, failure.get(), m_origin));
        if (PQstatus(connection) == CONNECTION_BAD) {
            m_connection.reset();
        }
        throw error;
    }
    return last;
}

ResultHandle ServerLink::Run(const char* sql, const Parameters& parameters) {
    PGconn* connection = Require();
    const Clock::time_point deadline = Clock::now() + m_deadline;
    const std::vector<const char*> values = parameters.Values();
    std::string key(sql);
    key.append(reinterpret_cast<const char*>(parameters.Types()),
               sizeof(Oid) * static_cast<std::size_t>(parameters.Count()));
    auto plan = m_plans.find(key);
    if (plan == m_plans.end() && m_plans.size() < kKeptPlans) {
        std::string name = "tarvo_" + std::to_string(m_plans.size());
        if (PQsendPrepare(connection, name.c_str(), sql, parameters.Count(), parameters.Types()) ==
            0) {
            Lost();
        }
        Flush(deadline);
        Collect(deadline);  // a statement the server refuses fails here, as it would run
        plan = m_plans.emplace(std::move(key), std::move(name)).first;
    }
    const int sent =
        plan != m_plans.end()
            ? PQsendQueryPrepared(connection, plan->second.c_str(), parameters.Count(),
                                  values.data(), nullptr, nullptr, 0)
            : PQsendQueryParams(connection, sql, parameters.Count(), parameters.Types(),
                                values.data(), nullptr, nullptr, 0);
    if (sent == 0) {
        Lost();
    }
    Flush(deadline);
    return Collect(deadline);
}

ResultHandle ServerLink::RunScript(const char* sql) {
    PGconn* connection = Require();
    const Clock::time_point deadline = Clock::now() + m_deadline;
    if (PQsendQuery(connection, sql) == 0) {
        Lost();
    }
    Flush(deadline);
    return Collect(deadline);
}

PGTransactionStatusType ServerLink::TransactionStatus() const {
    return m_connection ? PQtransactionStatus(m_connection.get()) : PQTRANS_UNKNOWN;
}

std::size_t ChangedRows(const PGresult* result) {
    return static_cast<std::size_t>(
        std::strtoull(PQcmdTuples(const_cast<PGresult*>(result)), nullptr, 10));
}

std::string Value(const PGresult* result, int row, int column) {
    return PQgetisnull(result, row, column) ? std::string() : PQgetvalue(result, row, column);
}

}  // namespace accessdb::postgres
