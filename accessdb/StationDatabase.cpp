#include "StationDatabase.h"

#include <algorithm>
#include <utility>

#include "DatabaseError.h"

namespace accessdb {

namespace {

using namespace std::chrono_literals;

// A session unused for this long is asked whether it still reaches the server before a card
// relies on it: a connection left idle may have been cut without a word (a router's idle
// timeout, a server restarted meanwhile).
constexpr std::chrono::seconds kIdleCheck{30};

DatabaseError Away() {
    return DatabaseError(kServerUnreachable,
                         "El puesto no tiene conexión con el servidor de la base de datos; la "
                         "recupera por sí solo en cuanto el servidor responda. Si no vuelve en "
                         "unos minutos, compruebe la red y el servidor.");
}

// Why the server cannot be reached, as the last attempt found it, and that the station goes on
// trying.
DatabaseError Away(const DatabaseError& found) {
    return DatabaseError(found.Code(), found.Description() +
                                           " El puesto recupera la conexión por sí solo en cuanto "
                                           "el servidor responda.");
}

}  // namespace

// The kept session lent to one card's Connection: the card's statements go to it, and the
// Connection's end gives it back instead of closing it. A session found lost at the card's
// first read (the server restarted, or the network cut an idle connection, since the last
// card) is made again at once and the read sent again: nothing was written through it yet.
class StationDatabase::Lent : public SqlSession {
  public:
    explicit Lent(StationDatabase& owner) : m_owner(owner) {}

    std::unique_ptr<SqlRows> Query(std::string_view sql, const SqlValues& values) override {
        const bool first = std::exchange(m_fresh, false);
        try {
            return Watched([&] { return Kept().Query(sql, values); });
        } catch (const DatabaseError& error) {
            if (!first || error.Code() != kServerUnreachable || Kept().Usable()) {
                throw;
            }
        }
        m_owner.m_kept = m_owner.AwaitSession();
        return Watched([&] { return Kept().Query(sql, values); });
    }
    std::int64_t Execute(std::string_view sql, const SqlValues& values) override {
        m_fresh = false;
        return Watched([&] { return Kept().Execute(sql, values); });
    }
    void ExecuteTogether(const std::vector<SqlStatement>& statements) override {
        m_fresh = false;
        Watched([&] { Kept().ExecuteTogether(statements); });
    }
    bool InTransaction() const override { return Kept().InTransaction(); }
    void Begin(TransactionKind kind) override {
        m_fresh = false;
        Kept().Begin(kind);
    }
    void Commit() override { Kept().Commit(); }
    void Rollback() noexcept override { Kept().Rollback(); }
    std::string DayOf(std::string_view column) const override { return Kept().DayOf(column); }
    std::string_view AccessOrder() const override { return Kept().AccessOrder(); }
    bool Usable() const override { return Kept().Usable(); }

  private:
    EngineSession& Kept() const { return *m_owner.m_kept; }
    // A server that stopped answering is reached again in the background from now on, so the
    // cards that follow do not wait for it too.
    template <typename Statement>
    auto Watched(Statement statement) -> decltype(statement()) {
        try {
            return statement();
        } catch (const DatabaseError& error) {
            if (error.Code() == kServerNoAnswer) {
                m_owner.Reconnect();
            }
            throw;
        }
    }

    StationDatabase& m_owner;
    bool m_fresh = true;
};

StationDatabase::StationDatabase(StorageLocation location) : m_location(std::move(location)) {
    if (m_location.IsServer()) {
        Reconnect();  // the first card finds its session made
    }
}

StationDatabase::~StationDatabase() = default;

std::chrono::milliseconds StationDatabase::Backoff(int failures) {
    // Short, so that the first card after the server is back finds the session made again; an
    // attempt on a server that is down costs it one refused connection.
    return std::min<std::chrono::milliseconds>(250ms * (1 << std::clamp(failures, 0, 3)), 2s);
}

Connection StationDatabase::ForCard() {
    if (!m_location.IsServer()) {
        std::unique_ptr<EngineSession> session = OpenSession(m_location, OpenMode::ExistingOnly);
        session->AnswerWithin(kCardPatience);
        return Connection(std::move(session));
    }
    if (m_kept && !m_kept->Usable()) {
        m_kept.reset();  // lost during an earlier card
    }
    if (!m_kept) {
        m_kept = AwaitSession();
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastUsed > kIdleCheck) {
        try {
            QueryNumber(*m_kept, "SELECT 1");
        } catch (const DatabaseError& error) {
            m_kept.reset();
            if (error.Code() == kServerNoAnswer) {
                // A server that stopped answering: no card waits for it again.
                Reconnect();
                throw Away();
            }
            m_kept = AwaitSession();  // cut while idle: made again
        }
    }
    if (m_kept->InTransaction()) {
        m_kept->Rollback();  // nothing of an earlier card stays open into this one
    }
    m_lastUsed = now;
    return Connection(std::make_unique<Lent>(*this));
}

bool StationDatabase::SessionReady() {
    if (!m_location.IsServer() || (m_kept && m_kept->Usable())) {
        return true;
    }
    {
        const std::lock_guard lock(m_mutex);
        if (m_ready) {
            return true;
        }
    }
    Reconnect();  // a session lost with nobody trying to make it again
    return false;
}

bool StationDatabase::ServerAway() {
    if (SessionReady()) {
        return false;
    }
    const std::lock_guard lock(m_mutex);
    return m_reconnecting && m_lastFailure.has_value();
}

std::unique_ptr<EngineSession> StationDatabase::AwaitSession() {
    Reconnect();
    std::unique_lock lock(m_mutex);
    // Once an attempt has failed, the server is known to be away: no card waits for it.
    m_wake.wait_for(lock, kSessionWait,
                    [this] { return m_ready || !m_reconnecting || m_lastFailure; });
    if (m_ready) {
        return std::move(m_ready);
    }
    if (m_lastFailure) {
        throw m_refused ? *m_lastFailure : Away(*m_lastFailure);
    }
    throw Away();
}

void StationDatabase::Reconnect() {
    {
        const std::lock_guard lock(m_mutex);
        if (m_reconnecting || m_ready) {
            return;
        }
        m_reconnecting = true;
        if (m_refused) {
            m_lastFailure.reset();  // a refusal is asked again; a server away stays away
        }
    }
    // The previous attempts have ended (they clear m_reconnecting last): replacing the thread
    // joins it at once.
    m_worker = std::jthread([this](std::stop_token stop) { ReconnectUntilDone(stop); });
}

void StationDatabase::ReconnectUntilDone(std::stop_token stop) {
    for (int failures = 0; !stop.stop_requested(); ++failures) {
        try {
            std::unique_ptr<EngineSession> session =
                OpenSession(m_location, OpenMode::ExistingOnly);
            session->AnswerWithin(kCardPatience);
            const std::lock_guard lock(m_mutex);
            m_ready = std::move(session);
            m_lastFailure.reset();
            m_reconnecting = false;
            m_wake.notify_all();
            return;
        } catch (const DatabaseError& error) {
            const std::lock_guard lock(m_mutex);
            m_lastFailure = error;
            m_refused = error.Kind() != FailureKind::Unreachable;
            if (m_refused) {
                // The server answered with a refusal (a login, the tables' version): each card
                // tells it, and tries again.
                m_reconnecting = false;
                m_wake.notify_all();
                return;
            }
            // Still away: the next attempt waits longer.
        }
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, stop, Backoff(failures), [] { return false; });
    }
    const std::lock_guard lock(m_mutex);
    m_reconnecting = false;
    m_wake.notify_all();
}

}  // namespace accessdb
