#include "StudentTerms.h"

namespace accessdb {

namespace {

std::string_view Piece(std::string_view text, std::size_t position, std::size_t length) {
    return position < text.size() ? text.substr(position, length) : std::string_view();
}

long YearFrom(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ') {
        ++start;
    }
    std::size_t digits = 0;
    while (start + digits < text.size() && text[start + digits] >= '0' &&
           text[start + digits] <= '9') {
        ++digits;
    }
    const long year = LeadingNumber(text);
    return (digits >= 1 && digits <= 2) ? 2000 + year : year;
}

}  // namespace

Marks::Marks(std::string_view stored) {
    m_firstAt.fill(kWhole);
    m_anywhere.fill(false);
    for (const char c : stored) {
        if (c >= '0' && c <= '9') {
            m_anywhere[c - '0'] = true;
        }
    }
    // Characters as the controller keeps them: a sequence led by a byte of 0xC0 or more is one
    // character with the bytes it claims, and an unfinished one at the end is not kept at all.
    std::size_t character = 0;
    for (std::size_t at = 0; at < stored.size(); ++character) {
        const auto lead = static_cast<unsigned char>(stored[at]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (at + length > stored.size()) {
            break;
        }
        for (const char c : stored.substr(at, length)) {
            if (c >= '0' && c <= '9' && m_firstAt[c - '0'] == kWhole) {
                m_firstAt[c - '0'] = character;
            }
        }
        at += length;
    }
}

bool Marks::Has(char digit, std::size_t within) const {
    if (digit < '0' || digit > '9') {
        return false;
    }
    const auto index = static_cast<std::size_t>(digit - '0');
    return within == kWhole ? m_anywhere[index] : m_firstAt[index] < within;
}

RestrictionDateParts PeriodDate::Pieces() const {
    return {std::string(Piece(stored, 0, 2)), std::string(Piece(stored, 3, 2)),
            std::string(Piece(stored, 6, 2))};
}

CalendarDay PeriodDate::Day() const {
    return {YearFrom(Piece(stored, 6, 4)), LeadingNumber(Piece(stored, 3, 2)),
            LeadingNumber(Piece(stored, 0, 2))};
}

StudentTerms StudentTerms::Read(const StudentRecord& s) {
    return {s.dni,
            s.nombre,
            s.apellido1,
            s.apellido2,
            Marks(s.puerta),
            Marks(s.agosto),
            Marks(s.finDeSemana),
            Marks(s.periodoTemporal),
            PeriodDate{s.fechaA},
            PeriodDate{s.fechaB}};
}

DoorSet StudentTerms::DoorsOf(const Marks& list) {
    DoorSet set{};
    for (int door = 1; door <= kDoorCount; ++door) {
        set[door - 1] = list.Has(static_cast<char>('0' + door));
    }
    return set;
}

}  // namespace accessdb
