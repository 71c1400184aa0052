#include "Encodings.h"

#include <cstdio>

namespace accessdb {

std::string BuildDoorList(const DoorSet& doors) {
    std::string list;
    for (int door = 1; door < kDoorCount; ++door) {
        if (doors[door - 1]) {
            list += static_cast<char>('0' + door);
            list += ',';
        }
    }
    if (doors[kDoorCount - 1]) {
        list += '8';
    }
    return list;
}

std::string FlagText(bool set) { return set ? "1" : "0"; }

std::string BuildRestrictionDate(std::string_view day, std::string_view month,
                                 std::string_view year) {
    std::string date;
    date.append(day).append("/").append(month).append("/").append(year);
    return date;
}

long LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    // Stored dates are short; the cap only keeps a long run of digits from overflowing.
    for (int digits = 0; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 9;
         ++i, ++digits) {
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

bool IsValidDni(std::string_view dni) {
    if (dni.size() != 8) {
        return false;
    }
    for (char c : dni) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string FormatDni(std::int64_t dni) {
    char text[24];
    std::snprintf(text, sizeof text, "%08lld", static_cast<long long>(dni));
    return text;
}

bool IsIsoDay(std::string_view day) {
    if (day.size() != 10 || day[4] != '-' || day[7] != '-') {
        return false;
    }
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (day[i] < '0' || day[i] > '9') {
            return false;
        }
    }
    const int year = static_cast<int>(LeadingNumber(day.substr(0, 4)));
    const int month = static_cast<int>(LeadingNumber(day.substr(5, 2)));
    const int date = static_cast<int>(LeadingNumber(day.substr(8, 2)));
    if (month < 1 || month > 12 || date < 1) {
        return false;
    }
    static constexpr int kDaysIn[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return date <= kDaysIn[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::string DayOfDate(std::string_view f) {
    const auto digit = [&](std::size_t i) { return f[i] >= '0' && f[i] <= '9'; };
    const bool date = f.size() == 10 && (f[0] == ' ' || (f[0] >= '0' && f[0] <= '3')) && digit(1) &&
                      f[2] == '/' && (f[3] == '0' || f[3] == '1') && digit(4) && f[5] == '/' &&
                      digit(6) && digit(7) && digit(8) && digit(9);
    if (!date) {
        return {};
    }
    return std::string(f.substr(6, 4)) + "-" + std::string(f.substr(3, 2)) + "-" +
           (f[0] == ' ' ? "0" : std::string(1, f[0])) + f[1];
}

}  // namespace accessdb
