#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "accessdb/StorageLocation.h"
#include "controller/cycle/ClockFields.h"
#include "controller/offline/StudentCopy.h"

namespace tarvo {

// How the card's thread last found the database, told to the site with the station's report.
struct StationStanding {
    std::optional<std::time_t> offlineSince;  // deciding without its server since then
    std::size_t pending = 0;                  // records its journal owes the database
};

// Keeps the station's copy of the students current and tells the site how the station stands,
// on a thread of its own so that no card waits for either: every `every` (on a server also at
// start), one pass on a connection of its own writes the station's row of Puestos and, on a
// server, reads the count of changes to the students, and the students themselves only when it
// moved.
// The copy saved in the station's folder is loaded at once, so that a station started while
// its server is away still has it.
class CopyKeeper {
  public:
    // `folder` empty keeps the copy in memory only; `every` zero makes no thread (passes are
    // then made by calling Pass).
    CopyKeeper(accessdb::StorageLocation location, std::filesystem::path folder,
               std::string station, const ClockSource& clock, std::chrono::seconds every);
    ~CopyKeeper();
    CopyKeeper(const CopyKeeper&) = delete;
    CopyKeeper& operator=(const CopyKeeper&) = delete;

    // The copy to decide on; none before the first is read or loaded.
    std::shared_ptr<const StudentCopy> Copy() const;
    // Reported with the next pass.
    void Tell(const StationStanding& standing);

    // One pass on the caller's thread; false when the database could not be reached or the
    // copy not saved (the reason in LastProblem).
    bool Pass();
    std::string LastProblem() const;

  private:
    void Run(std::stop_token stop);

    const accessdb::StorageLocation m_location;
    const std::filesystem::path m_folder;
    const std::string m_station;
    const ClockSource& m_clock;
    const std::chrono::seconds m_every;

    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::shared_ptr<const StudentCopy> m_copy;  // guarded by m_mutex
    StationStanding m_standing;                 // guarded by m_mutex
    std::string m_problem;                      // guarded by m_mutex
    std::jthread m_worker;                      // last: stopped and joined first
};

}  // namespace tarvo
