#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Days.h"
#include "accessdb/Records.h"

namespace admin {

// A field of a sheet's row as it will be stored, or why it cannot be.
struct CheckedField {
    std::string value;
    std::string fault;   // empty when the field is good
    std::string reason;  // the fault without the field's value; empty when the fault is that
};

// Eight ASCII digits, blanks around them ignored.
CheckedField CheckDni(std::string_view text);
// "1,3", "1 3" or the stored list "1,3,": stored as the console writes it ("1,3,"); empty for
// none.
CheckedField CheckDoors(std::string_view text);
// 1/0, sí/no (any case), or empty for 0.
CheckedField CheckFlag(std::string_view text);
// DD/MM/YY as stored; D/M/YY, DD/MM/YYYY (2000 to 2099) and YYYY-MM-DD are written as DD/MM/YY.
// Empty stays empty. The day must exist.
CheckedField CheckRestrictionDate(std::string_view text);
// Names are free text of one line, kept exactly as written.
CheckedField CheckName(std::string_view text);

// The day a stored restriction date denotes (20YY), none for anything but DD/MM/YY.
std::optional<Day> RestrictionDay(std::string_view stored);

struct PeriodFault {
    std::string field;
    std::string text;
    std::string reason;  // the text without the row's dates; empty when the text is that
};
// A period switched on needs both dates; dates given (even with the period off) must not end
// before they start. For a student whose fields are each good already.
std::optional<PeriodFault> CheckPeriod(const accessdb::StudentRecord& student);

}  // namespace admin
