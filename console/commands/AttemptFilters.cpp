#include "AttemptFilters.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "AttemptTexts.h"
#include "accessdb/Records.h"
#include "common/Utf8.h"

namespace mireval {

namespace {

constexpr std::array kDoors{
    FilterChoice{"(todas)", ""}, FilterChoice{"0 (sin puerta elegida)", "0"},
    FilterChoice{"1", "1"},      FilterChoice{"2", "2"},
    FilterChoice{"3", "3"},      FilterChoice{"4", "4"},
    FilterChoice{"5", "5"},      FilterChoice{"6", "6"},
    FilterChoice{"7", "7"},      FilterChoice{"8", "8"},
};

constexpr std::array kOutcomes{
    FilterChoice{"(todos)", ""},
    FilterChoice{accessdb::kOutcomeGranted, accessdb::kOutcomeGranted},
    FilterChoice{accessdb::kOutcomeDenied, accessdb::kOutcomeDenied},
    FilterChoice{accessdb::kOutcomeUnregistered, accessdb::kOutcomeUnregistered},
    FilterChoice{accessdb::kOutcomeError, accessdb::kOutcomeError},
};

// The card's DNI is eight characters.
constexpr std::size_t kDniLength = 8;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The digits of a piece of a date, when it is one to `maxDigits` ASCII digits.
std::optional<int> Number(std::string_view piece, std::size_t minDigits, std::size_t maxDigits) {
    if (piece.size() < minDigits || piece.size() > maxDigits ||
        !std::ranges::all_of(piece, [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : piece) {
        value = value * 10 + (c - '0');
    }
    return value;
}

int DaysIn(int month, int year) {
    static constexpr std::array kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

bool IsChoice(std::span<const FilterChoice> choices, std::string_view value) {
    return std::ranges::any_of(choices,
                               [&](const FilterChoice& choice) { return choice.value == value; });
}

// The ISO day of a typed bound, or the refusal that names it.
std::optional<std::string> Bound(std::string_view typed, std::string_view name,
                                 std::string& refusal) {
    const std::string_view text = Trimmed(typed);
    if (text.empty()) {
        return std::string();
    }
    if (auto day = IsoDayOf(text)) {
        return day;
    }
    refusal = "La fecha \"" + std::string(name) + "\" (" + std::string(text) +
              ") no es un día del calendario. " + std::string(texts::kDayFormatHint);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> IsoDayOf(std::string_view typed) {
    const std::string_view text = Trimmed(typed);
    std::optional<int> day, month, year;
    if (const auto firstSlash = text.find('/'); firstSlash != std::string_view::npos) {
        const auto secondSlash = text.find('/', firstSlash + 1);
        if (secondSlash == std::string_view::npos) {
            return std::nullopt;
        }
        day = Number(text.substr(0, firstSlash), 1, 2);
        month = Number(text.substr(firstSlash + 1, secondSlash - firstSlash - 1), 1, 2);
        year = Number(text.substr(secondSlash + 1), 4, 4);
    } else if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        year = Number(text.substr(0, 4), 4, 4);
        month = Number(text.substr(5, 2), 2, 2);
        day = Number(text.substr(8, 2), 2, 2);
    }
    if (!day || !month || !year || *year == 0 || *month < 1 || *month > 12 || *day < 1 ||
        *day > DaysIn(*month, *year)) {
        return std::nullopt;
    }
    char iso[40];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", *year, *month, *day);
    return std::string(iso);
}

AttemptFilterCheck QueryFromFilters(const AttemptFilters& filters, std::size_t pageSize) {
    AttemptFilterCheck check;
    accessdb::AttemptQuery query;
    query.dni = std::string(Trimmed(filters.dni));
    if (common::CharacterCount(query.dni) > kDniLength) {
        check.refusal = texts::kDniTooLong;
        return check;
    }
    if (query.dni.size() == kDniLength - 1 &&
        std::ranges::all_of(query.dni, [](char c) { return c >= '0' && c <= '9'; })) {
        check.notice = "Se busca el DNI 0" + query.dni + ": a \"" + query.dni +
                       "\" le faltaba el cero inicial.";
        query.dni.insert(query.dni.begin(), '0');
    }
    if (!IsChoice(DoorChoices(), filters.puerta)) {
        check.refusal = texts::kUnknownDoor;
        return check;
    }
    query.puerta = filters.puerta;
    if (!IsChoice(OutcomeChoices(), filters.resultado)) {
        check.refusal = texts::kUnknownOutcome;
        return check;
    }
    query.resultado = filters.resultado;
    const auto from = Bound(filters.desde, texts::kFromDayName, check.refusal);
    if (!from) {
        return check;
    }
    const auto to = Bound(filters.hasta, texts::kToDayName, check.refusal);
    if (!to) {
        return check;
    }
    // ISO days compare as texts.
    if (!from->empty() && !to->empty() && *from > *to) {
        check.refusal = texts::kRangeReversed;
        return check;
    }
    query.from = *from;
    query.to = *to;
    query.limit = std::clamp<std::size_t>(pageSize, 1, accessdb::kMaxAttemptPage);
    check.query = std::move(query);
    return check;
}

std::span<const FilterChoice> DoorChoices() { return kDoors; }
std::span<const FilterChoice> OutcomeChoices() { return kOutcomes; }

}  // namespace mireval
