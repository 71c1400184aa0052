#pragma once

#include <ctime>
#include <string_view>

#include "accessdb/SqlSession.h"
#include "controller/cycle/Verdict.h"

namespace timetables {

// The timetables applied to the rules' verdict for a card read at `when` (local time) at the
// door `doorDigit`, on the connection the card's lookup used: one statement, and only for a
// card the rules grant. A failure reading them keeps the door shut and is told as the rules
// tell their own database failures ("Algun problema en BBDD" and the description).
tarvo::Verdict CheckTimetables(accessdb::SqlSession& session, tarvo::Verdict verdict,
                               std::string_view dni, char doorDigit, std::time_t when);

}  // namespace timetables
