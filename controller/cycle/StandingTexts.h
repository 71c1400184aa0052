#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "controller/offline/StudentCopy.h"

// What the door station says of how it stands with its database: in the status bar's pane of
// its own, on standard output, and among the attempts it decided without its server.
namespace tarvo {

// The pane: empty when the station works with its database and owes it nothing.
std::string StandingText(std::optional<std::time_t> offlineSince, const StudentCopy* copy,
                         std::time_t now, std::size_t pending);
// Standard output, when the station finds its server away and when it has it back.
std::string WentOfflineLine(std::time_t since, const StudentCopy* copy, std::time_t now);
std::string BackOnlineLine(std::time_t since, std::size_t pending);
// After a card decided without the server.
std::string DecidedOfflineLine(const StudentCopy& copy, std::size_t pending);
// Added to the attempt's reason: the card was decided on the copy of that time.
std::string OfflineReason(const StudentCopy& copy);
// Why a card cannot be decided without the server: no copy, one too old, none allowed.
std::string NoOfflineDecision(const StudentCopy* copy);

}  // namespace tarvo
