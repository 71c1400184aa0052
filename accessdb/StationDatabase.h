#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "Connection.h"
#include "EngineSession.h"
#include "StorageLocation.h"

namespace accessdb {

// Where a door station's cards do their database work. On the file each card opens its own
// connection, as before. On a server the station keeps one session for card after card (a
// new server process per card is most of a card's cost when many stations share the server),
// and when that session breaks it is made again in the background with a short pause, so
// that a card never waits for a server that is known to be away: while the station has no
// session a card fails at once. Every card still reads the tables as they are at that moment.
class StationDatabase {
  public:
    explicit StationDatabase(StorageLocation location);
    ~StationDatabase();
    StationDatabase(const StationDatabase&) = delete;
    StationDatabase& operator=(const StationDatabase&) = delete;

    // The connection for one card, closed (or given back) when it goes out of scope. Throws
    // DatabaseError as Connection::Open does; on a server, kServerUnreachable at once while
    // the session is being made again.
    Connection ForCard();

    // The pause before the next attempt to reach the server after `failures` failed ones: a
    // station is back at most this long after its server.
    static std::chrono::milliseconds Backoff(int failures);

  private:
    class Lent;

    // A session made now, within the connect deadline; on failure the background attempts
    // begin.
    std::unique_ptr<EngineSession> Connect();
    // Starts the background attempts to reach the server, unless they are under way.
    void Reconnect();
    void ReconnectUntilDone(std::stop_token stop);
    // A session made in the background, if one is ready.
    std::unique_ptr<EngineSession> TakeReady();

    const StorageLocation m_location;
    // The station's session, used only by the card's thread.
    std::unique_ptr<EngineSession> m_kept;
    std::chrono::steady_clock::time_point m_lastUsed;

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    bool m_reconnecting = false;             // guarded by m_mutex
    std::unique_ptr<EngineSession> m_ready;  // guarded by m_mutex
    std::jthread m_worker;                   // last: stopped and joined first
};

}  // namespace accessdb
