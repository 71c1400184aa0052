#pragma once

#include <optional>
#include <string>

namespace tarvo {

// The restriction that turned a permitted door away: one of the student's flags, or a
// timetable (the student's or the door's) that leaves out the moment or the day without school.
enum class Restriction { None, August, Weekend, Period, Timetable, DayWithoutSchool };

// What the rules decided for one card.
struct Verdict {
    bool doorPermitted = false;
    bool restricted = false;
    Restriction restriction = Restriction::None;  // which one, when restricted
    // The timetable's name (Timetable) or the day's description (DayWithoutSchool).
    std::string restrictionDetail;
    bool unregistered = false;
    bool grant = false;  // open the door and record the access
    std::string displayName;
    std::optional<std::string> nameFieldText;     // none leaves the name field as it is
    std::optional<std::string> dniFieldText;      // none leaves the DNI field as it is
    std::optional<std::string> errorDescription;  // a database failure to show in a message box
};

// How a card's verdict is recorded among the attempts: the outcome and why (Records.h's texts;
// a database failure's own description as the reason).
struct AttemptOutcome {
    std::string resultado;
    std::string motivo;
};
AttemptOutcome OutcomeOf(const Verdict& verdict, char doorDigit);

}  // namespace tarvo
