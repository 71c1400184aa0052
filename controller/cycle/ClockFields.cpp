#include "ClockFields.h"

#include <array>
#include <utility>

namespace tarvo {

namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kMonths{{
    {"Jan", "01"},
    {"Feb", "02"},
    {"Mar", "03"},
    {"Apr", "04"},
    {"May", "05"},
    {"Jun", "06"},
    {"Jul", "07"},
    {"Aug", "08"},
    {"Sep", "09"},
    {"Oct", "10"},
    {"Nov", "11"},
    {"Dec", "12"},
}};

std::string Cut(std::string_view text, std::size_t position, std::size_t length) {
    return position < text.size() ? std::string(text.substr(position, length)) : std::string();
}

}  // namespace

ClockFields ClockFields::FromClockText(std::string_view clockText) {
    ClockFields fields;
    fields.weekday = Cut(clockText, 0, 3);
    const std::string monthName = Cut(clockText, 4, 3);
    for (const auto& [name, number] : kMonths) {
        if (monthName == name) {
            fields.month = number;
        }
    }
    fields.day = Cut(clockText, 8, 2);
    fields.hora = Cut(clockText, 11, 8);
    fields.year = Cut(clockText, 20, 4);
    fields.fecha = fields.day + "/" + fields.month + "/" + fields.year;
    return fields;
}

}  // namespace tarvo
