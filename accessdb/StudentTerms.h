#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

#include "Encodings.h"
#include "Records.h"

namespace accessdb {

// Where each digit first stands in a stored door list or flag, counted in characters. The
// programs ask whether a digit stands anywhere in the text (the console, tarvo-admin) or among
// the first characters they keep of it (the controller's working widths): one reading serves
// both, on every text a table may hold.
class Marks {
  public:
    static constexpr std::size_t kWhole = std::string_view::npos;

    explicit Marks(std::string_view stored = {});
    bool Has(char digit, std::size_t within = kWhole) const;

  private:
    std::array<bool, 10> m_anywhere;        // for '0' to '9'
    std::array<std::size_t, 10> m_firstAt;  // the character it first stands in; kWhole: none
};

// A day as (year, month, day), compared in that order of weight.
struct CalendarDay {
    long year = 0;
    long month = 0;
    long day = 0;
    auto operator<=>(const CalendarDay&) const = default;
};

// A restriction date as stored ("05/03/14"), read by position.
struct PeriodDate {
    std::string stored;

    // The pieces the console's lists show: day 0-1, month 3-4, year 6-7; pieces beyond the end
    // of a short text are empty.
    RestrictionDateParts Pieces() const;
    // Each piece read as a decimal number (day 0-1, month 3-4, year from 6 on); the console
    // stores the year with two digits, so a year of one or two digits is 2000 + YY.
    CalendarDay Day() const;
};

// A student's stored texts read as what they mean, in one place, for the door's decision, the
// console's form and the administrator's reports. Written back by the builders of Encodings.h.
struct StudentTerms {
    static StudentTerms Read(const StudentRecord& stored);

    std::string dni;
    std::string nombre;
    std::string apellido1;
    std::string apellido2;
    Marks doors;   // a door is permitted when its digit stands in the list ('0': none chosen)
    Marks august;  // each restriction is set when its text holds a '1'
    Marks weekend;
    Marks period;
    PeriodDate from;  // FechaA: the period begins after this day
    PeriodDate to;    // FechaB: and ends before this one

    // Doors 1 to 8, as the console's boxes and the reports show them.
    DoorSet Doors() const { return DoorsOf(doors); }
    static DoorSet DoorsOf(const Marks& list);
    static bool IsSet(const Marks& flag, std::size_t within = Marks::kWhole) {
        return flag.Has('1', within);
    }
};

}  // namespace accessdb
