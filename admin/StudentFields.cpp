#include "StudentFields.h"

#include <cstdio>
#include <vector>

#include "accessdb/Encodings.h"
#include "accessdb/StudentTerms.h"

namespace admin {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Quoted(std::string_view text) { return "«" + std::string(text) + "»"; }

CheckedField Good(std::string value) { return {std::move(value), {}, {}}; }
CheckedField Bad(std::string fault, std::string reason = {}) {
    return {{}, std::move(fault), std::move(reason)};
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return pieces;
        }
        start = end + 1;
    }
}

std::string Lowered(std::string_view text) {
    std::string lowered;
    for (const char c : text) {
        lowered += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return lowered;
}

std::string TwoDigits(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02u", value % 100);
    return text;
}

// The pieces of a date as a spreadsheet may write it; none when it is no date form at all.
struct DatePieces {
    std::optional<int> year;  // as written: two or four digits
    bool fourDigitYear = false;
    std::optional<int> month;
    std::optional<int> day;
};

std::optional<DatePieces> ReadDatePieces(std::string_view text) {
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        return DatePieces{ReadNumber(text.substr(0, 4), 4), true, ReadNumber(text.substr(5, 2), 2),
                          ReadNumber(text.substr(8, 2), 2)};
    }
    const auto pieces = Split(text, '/');
    if (pieces.size() != 3 || (pieces[2].size() != 2 && pieces[2].size() != 4)) {
        return std::nullopt;
    }
    return DatePieces{ReadNumber(pieces[2], 4), pieces[2].size() == 4, ReadNumber(pieces[1], 2),
                      ReadNumber(pieces[0], 2)};
}

}  // namespace

CheckedField CheckDni(std::string_view text) {
    const std::string_view dni = Trimmed(text);
    if (dni.empty()) {
        return Bad("falta el DNI");
    }
    for (const char c : dni) {
        if (c < '0' || c > '9') {
            return Bad(Quoted(dni) + " no es un DNI: solo puede tener cifras, ocho",
                       "no es un DNI");
        }
    }
    if (dni.size() != 8) {
        return Bad(Quoted(dni) + " tiene " + std::to_string(dni.size()) +
                       " cifras y un DNI tiene 8 (si la hoja de cálculo quitó un cero inicial, dé "
                       "a la columna formato de texto)",
                   "un DNI tiene 8 cifras");
    }
    return Good(std::string(dni));
}

CheckedField CheckDoors(std::string_view text) {
    accessdb::DoorSet doors{};
    std::string list(Trimmed(text));
    for (char& c : list) {
        c = c == ' ' ? ',' : c;
    }
    for (const std::string_view piece : Split(list, ',')) {
        if (piece.empty()) {
            continue;  // "1,3," and "1, 3" as well as "1,3"
        }
        if (piece.size() != 1 || piece[0] < '1' || piece[0] > '8') {
            return Bad(
                Quoted(piece) + " no es una puerta: las puertas van de 1 a 8 (escríbalas como 1,3)",
                "no es una puerta");
        }
        doors[piece[0] - '1'] = true;
    }
    return Good(accessdb::BuildDoorList(doors));
}

CheckedField CheckFlag(std::string_view text) {
    const std::string flag = Lowered(Trimmed(text));
    if (flag.empty() || flag == "0" || flag == "no") {
        return Good("0");
    }
    if (flag == "1" || flag == "sí" || flag == "si" || flag == "sÍ") {
        return Good("1");
    }
    return Bad(Quoted(Trimmed(text)) + " no es 1 ni 0 (también valen sí y no)", "no es 1 ni 0");
}

CheckedField CheckRestrictionDate(std::string_view text) {
    const std::string_view date = Trimmed(text);
    if (date.empty()) {
        return Good("");
    }
    const auto pieces = ReadDatePieces(date);
    if (!pieces || !pieces->year || !pieces->month || !pieces->day) {
        return Bad(Quoted(date) + " no es una fecha DD/MM/AA", "no es una fecha DD/MM/AA");
    }
    if (pieces->fourDigitYear && (*pieces->year < 2000 || *pieces->year > 2099)) {
        return Bad("el año " + std::to_string(*pieces->year) +
                       " no se puede guardar: las fechas se guardan como DD/MM/AA, años 2000 a "
                       "2099",
                   "el año no está entre 2000 y 2099");
    }
    const int year = pieces->fourDigitYear ? *pieces->year : 2000 + *pieces->year;
    const Day day{std::chrono::year(year),
                  std::chrono::month(static_cast<unsigned>(*pieces->month)),
                  std::chrono::day(static_cast<unsigned>(*pieces->day))};
    if (!day.ok()) {
        return Bad("el día " + Quoted(date) + " no existe", "el día no existe");
    }
    return Good(TwoDigits(static_cast<unsigned>(day.day())) + "/" +
                TwoDigits(static_cast<unsigned>(day.month())) + "/" +
                TwoDigits(static_cast<unsigned>(year)));
}

CheckedField CheckName(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return Bad("tiene un salto de línea o un carácter de control");
        }
    }
    return Good(std::string(text));
}

std::optional<Day> RestrictionDay(std::string_view stored) {
    if (stored.size() != 8 || stored[2] != '/' || stored[5] != '/') {
        return std::nullopt;
    }
    const auto year = ReadNumber(stored.substr(6, 2), 2);
    const auto month = ReadNumber(stored.substr(3, 2), 2);
    const auto day = ReadNumber(stored.substr(0, 2), 2);
    if (!year || !month || !day) {
        return std::nullopt;
    }
    const Day date{std::chrono::year(2000 + *year),
                   std::chrono::month(static_cast<unsigned>(*month)),
                   std::chrono::day(static_cast<unsigned>(*day))};
    return date.ok() ? std::optional<Day>(date) : std::nullopt;
}

std::optional<PeriodFault> CheckPeriod(const accessdb::StudentRecord& student) {
    const bool periodOn = accessdb::StudentTerms::IsSet(accessdb::Marks(student.periodoTemporal));
    if (periodOn && student.fechaA.empty()) {
        return PeriodFault{"FechaA",
                           "el periodo de restricción (Periodo_temporal 1) necesita "
                           "la fecha de inicio",
                           {}};
    }
    if (periodOn && student.fechaB.empty()) {
        return PeriodFault{"FechaB",
                           "el periodo de restricción (Periodo_temporal 1) necesita "
                           "la fecha de fin",
                           {}};
    }
    const auto start = RestrictionDay(student.fechaA);
    const auto end = RestrictionDay(student.fechaB);
    if (start && end && *end < *start) {
        return PeriodFault{
            "FechaB",
            "el periodo termina (" + student.fechaB + ") antes de empezar (" + student.fechaA + ")",
            "el periodo termina antes de empezar"};
    }
    return std::nullopt;
}

}  // namespace admin
