#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

namespace admin {

// How a bulk job splits its writes so that a door station's append never waits long: each
// chunk is one short change, and a pause after each lets the stations' writers in (on the file
// a waiting writer retries at most every 100 ms, so a shorter pause could be missed).
struct ChunkPacing {
    std::size_t rows = 500;
    std::chrono::milliseconds pause{0};
    std::function<void(std::chrono::milliseconds)> sleep;

    void Pause() const {
        if (pause.count() > 0 && sleep) {
            sleep(pause);
        }
    }
};

}  // namespace admin
