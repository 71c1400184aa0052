#pragma once

#include <optional>
#include <string_view>

#include "accessdb/Connection.h"
#include "accessdb/Records.h"
#include "controller/cycle/ClockFields.h"
#include "controller/cycle/Verdict.h"

namespace tarvo {

// Whether a student may pass the station's door now: the door must be in the student's list
// and no August, weekend or period restriction may apply.
class AccessRules {
  public:
    explicit AccessRules(const ClockSource& clock) : m_clock(clock) {}

    ClockFields ReadClock() const;
    // The fields of one reading of the clock.
    static ClockFields ClockAt(std::time_t now);

    // Looks the DNI up on the open connection and decides for the selected door digit
    // ('1' to '8', '0' for none). Database failures become verdict texts, never exceptions.
    static Verdict Decide(accessdb::Connection& db, std::string_view dni, char doorDigit,
                          const ClockFields& now);
    // The same on a student already looked up (none: not registered).
    static Verdict Decide(const std::optional<accessdb::StudentRecord>& student,
                          std::string_view dni, char doorDigit, const ClockFields& now);

  private:
    const ClockSource& m_clock;
};

}  // namespace tarvo
