#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tarvo {

// One reading of the wall clock, cut from the C library's clock text
// ("Sat Aug 23 09:41:07 2013\n"): the decision, the access record and the log line of a card
// all use the same reading.
struct ClockFields {
    std::string weekday;  // "Sat"
    std::string day;      // "23", or " 5" for days 1 to 9
    std::string month;    // "08"
    std::string year;     // "2013"
    std::string hora;     // "09:41:07"
    std::string fecha;    // "23/08/2013", " 5/08/2013"

    // Cuts the fields at their fixed positions; an unknown month name gives an empty month.
    static ClockFields FromClockText(std::string_view clockText);
};

// Where the controller takes the time from; tests set it.
class ClockSource {
  public:
    virtual ~ClockSource() = default;
    virtual std::time_t Now() const = 0;
};

class SystemClock : public ClockSource {
  public:
    std::time_t Now() const override { return std::time(nullptr); }
};

}  // namespace tarvo
