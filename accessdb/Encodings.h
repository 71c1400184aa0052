#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Text encodings of the Alumnos and Picadas columns that both programs rely on: how the console
// writes them (StudentTerms.h reads them).
namespace accessdb {

inline constexpr int kDoorCount = 8;
using DoorSet = std::array<bool, kDoorCount>;  // index 0 is door 1

// "1," .. "7," for each permitted door in order, then "8": doors 1 and 3 give "1,3,".
std::string BuildDoorList(const DoorSet& doors);

std::string FlagText(bool set);

// DD/MM/YY from the three pieces as they stand ("05", "03", "14" give "05/03/14").
std::string BuildRestrictionDate(std::string_view day, std::string_view month,
                                 std::string_view year);
struct RestrictionDateParts {
    std::string day;
    std::string month;
    std::string year;
};

// The C library's decimal reading: leading blanks skipped, stops at the first non-digit, 0 for
// none.
long LeadingNumber(std::string_view text);

// Exactly eight ASCII digits.
bool IsValidDni(std::string_view dni);
// A stored DNI number as the programs' eight-character text, zero-padded ("01234567").
std::string FormatDni(std::int64_t dni);

// A calendar day written "YYYY-MM-DD" ("2024-02-29"), the form that sorts as the days do.
bool IsIsoDay(std::string_view day);
// The ISO day an access date text denotes (" 5/03/2024" gives "2024-03-05"), "" for a text that
// is not such a date: the engines' own reading of Fecha (SqlSession::DayOf), for a value.
std::string DayOfDate(std::string_view fecha);

}  // namespace accessdb
