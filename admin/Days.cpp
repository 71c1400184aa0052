#include "Days.h"

#include <cstdio>

namespace admin {

namespace {

std::optional<Day> MakeDay(std::optional<int> year, std::optional<int> month,
                           std::optional<int> day) {
    if (!year || !month || !day) {
        return std::nullopt;
    }
    const Day date{std::chrono::year(*year), std::chrono::month(static_cast<unsigned>(*month)),
                   std::chrono::day(static_cast<unsigned>(*day))};
    return date.ok() ? std::optional<Day>(date) : std::nullopt;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// "D/M/YYYY" with the day and the month of one or two digits, blanks around it ignored: the
// stored " 1/12/2026", the exports' "01/12/2026", and what a person types.
std::optional<Day> ReadSlashedDay(std::string_view text) {
    text = Trimmed(text);
    const std::size_t first = text.find('/');
    const std::size_t second = first == std::string_view::npos ? first : text.find('/', first + 1);
    if (second == std::string_view::npos || text.size() - second - 1 != 4) {
        return std::nullopt;
    }
    return MakeDay(ReadNumber(text.substr(second + 1), 4),
                   ReadNumber(text.substr(first + 1, second - first - 1), 2),
                   ReadNumber(text.substr(0, first), 2));
}

}  // namespace

std::optional<int> ReadNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<Day> ReadCommandLineDay(std::string_view text) {
    if (const auto day = ReadSlashedDay(text)) {
        return day;
    }
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        return MakeDay(ReadNumber(text.substr(0, 4), 4), ReadNumber(text.substr(5, 2), 2),
                       ReadNumber(text.substr(8, 2), 2));
    }
    return std::nullopt;
}

std::string SheetDate(std::string_view stored) {
    const auto day = ReadSlashedDay(stored);
    return day ? ShownDay(*day) : std::string(stored);
}

std::string IsoDay(Day day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
    return text;
}

std::string ShownDay(Day day) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(day.day()),
                  static_cast<unsigned>(day.month()), static_cast<int>(day.year()));
    return text;
}

Day DaysBefore(Day day, int days) {
    return Day{std::chrono::sys_days(day) - std::chrono::days(days)};
}

std::optional<int> ReadAge(std::string_view text) {
    if (text.size() < 2) {
        return std::nullopt;
    }
    const auto count = ReadNumber(text.substr(0, text.size() - 1), 5);
    if (!count) {
        return std::nullopt;
    }
    switch (text.back()) {
        case 'd':
            return *count;
        case 'w':
            return *count * 7;
        default:
            return std::nullopt;
    }
}

}  // namespace admin
