#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "Connection.h"
#include "DatabaseError.h"
#include "EngineSession.h"
#include "StorageLocation.h"

namespace accessdb {

// Where a door station's cards do their database work. On the file each card opens its own
// connection, as before. On a server the station keeps one session for card after card (a
// new server process per card is most of a card's cost when many stations share the server),
// made in the background, and again with a short pause when it breaks, so that a card never
// waits for a server that is away: a card waits at most kSessionWait for a session and fails
// after it. Every card still reads the tables as they are at that moment. Each statement of a
// card is answered within kCardPatience or fails (a file locked by another program's writer, a
// server that does not answer), so that no card holds the station up for long.
class StationDatabase {
  public:
    // On a server the session is begun in the background at once.
    explicit StationDatabase(StorageLocation location);
    ~StationDatabase();
    StationDatabase(const StationDatabase&) = delete;
    StationDatabase& operator=(const StationDatabase&) = delete;

    // The connection for one card, closed (or given back) when it goes out of scope. Throws
    // DatabaseError as Connection::Open does; on a server, kServerUnreachable after at most
    // kSessionWait while the session is being made again.
    Connection ForCard();

    static constexpr std::chrono::milliseconds kCardPatience{500};
    static constexpr std::chrono::milliseconds kSessionWait{500};

    // Whether a card would find its session at once (always on the file; when not, it is being
    // made in the background), and whether the server is known to be away (the station is
    // trying to reach it again), without waiting.
    bool SessionReady();
    bool ServerAway();

    // The pause before the next attempt to reach the server after `failures` failed ones: a
    // station is back at most this long after its server.
    static std::chrono::milliseconds Backoff(int failures);

  private:
    class Lent;

    // The session made in the background, waited for at most kSessionWait: the failure of the
    // last attempt when the server refused it, Away() while it cannot be reached.
    std::unique_ptr<EngineSession> AwaitSession();
    // Starts the background attempts to reach the server, unless they are under way.
    void Reconnect();
    void ReconnectUntilDone(std::stop_token stop);

    const StorageLocation m_location;
    // The station's session, used only by the card's thread.
    std::unique_ptr<EngineSession> m_kept;
    std::chrono::steady_clock::time_point m_lastUsed;

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    bool m_reconnecting = false;             // guarded by m_mutex
    std::unique_ptr<EngineSession> m_ready;  // guarded by m_mutex
    // Why the last attempt failed, told to the cards that wait for the session; refused when
    // the server answered with a refusal (a login, the tables' version). Guarded by m_mutex.
    std::optional<DatabaseError> m_lastFailure;
    bool m_refused = false;
    std::jthread m_worker;  // last: stopped and joined first
};

}  // namespace accessdb
