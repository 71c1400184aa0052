#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

namespace admin {

// How far a long job has come, told on standard error: a bar redrawn in place on a terminal,
// a few plain lines (each tenth of the way) in a log or a pipe.
class Progress {
  public:
    virtual ~Progress() = default;
    virtual void Update(std::size_t done, std::size_t total) = 0;
    // Ends the bar's line, if one was drawn.
    virtual void Finish() = 0;
};

std::unique_ptr<Progress> MakeProgress(std::ostream& err, bool terminal, std::string what);

}  // namespace admin
