#include "TimetableWeek.h"

#include <algorithm>
#include <optional>

#include "accessdb/Timetables.h"

namespace mireval {

const std::array<const char*, accessdb::kDaysPerWeek> kWeekdayNames = {
    "Lunes", "Martes", "Miércoles", "Jueves", "Viernes", "Sábado", "Domingo"};

namespace {

using accessdb::TimetableSegment;

constexpr std::string_view kSeparators = ",; \t";
constexpr std::string_view kEnDash = "\xE2\x80\x93";  // "–", as the segments are printed

std::string DayCalled(int day) {
    std::string name = kWeekdayNames[static_cast<std::size_t>(day)];
    name[0] = static_cast<char>(name[0] - 'A' + 'a');  // every day's name starts in ASCII
    return name;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "7:45" or "07:45" as minutes from midnight; "24:00" is the end of the day.
std::optional<int> Minutes(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3) {
        return std::nullopt;
    }
    if (!std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), IsDigit) ||
        !IsDigit(text[colon + 1]) || !IsDigit(text[colon + 2])) {
        return std::nullopt;
    }
    int hours = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        hours = hours * 10 + (text[i] - '0');
    }
    const int minutes = (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
    if (minutes > 59 || hours > 24 || (hours == 24 && minutes != 0)) {
        return std::nullopt;
    }
    return hours * 60 + minutes;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(kSeparators, at)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(kSeparators, at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

std::string Segment(const TimetableSegment& segment) {
    return accessdb::MinutesText(segment.desde) + "-" + accessdb::MinutesText(segment.hasta);
}

}  // namespace

ParsedDay ParseDay(std::string_view text, int day) {
    ParsedDay parsed;
    const std::string where = "El " + DayCalled(day);
    auto fail = [&](std::string why) {
        parsed.tramos.clear();
        parsed.error = std::move(why);
        return parsed;
    };
    for (std::string_view word : Words(text)) {
        std::size_t dash = word.find('-');
        std::size_t dashSize = 1;
        if (dash == std::string_view::npos) {
            dash = word.find(kEnDash);
            dashSize = kEnDash.size();
        }
        if (dash == std::string_view::npos) {
            return fail(where + ", «" + std::string(word) +
                        "» no es un tramo: escriba cada tramo como 08:00-14:00, separados por "
                        "comas.");
        }
        const std::string_view from = word.substr(0, dash);
        const std::string_view to = word.substr(dash + dashSize);
        const std::optional<int> desde = Minutes(from);
        const std::optional<int> hasta = Minutes(to);
        if (!desde || !hasta) {
            return fail(where + ", «" + std::string(!desde ? from : to) +
                        "» no es una hora: escriba horas entre 00:00 y 24:00, como 08:30.");
        }
        if (*hasta <= *desde) {
            return fail(where + ", el tramo " + std::string(word) +
                        " no acaba después de empezar: cada tramo va de una hora a otra "
                        "posterior del mismo día.");
        }
        parsed.tramos.push_back({*desde, *hasta});
    }
    if (parsed.tramos.size() > accessdb::kMaxSegmentsPerDay) {
        return fail(where + " tiene " + std::to_string(parsed.tramos.size()) +
                    " tramos: caben como mucho " + std::to_string(accessdb::kMaxSegmentsPerDay) +
                    ".");
    }
    std::sort(parsed.tramos.begin(), parsed.tramos.end(),
              [](const auto& a, const auto& b) { return a.desde < b.desde; });
    for (std::size_t i = 1; i < parsed.tramos.size(); ++i) {
        if (parsed.tramos[i - 1].hasta > parsed.tramos[i].desde) {
            return fail(where + ", los tramos " + Segment(parsed.tramos[i - 1]) + " y " +
                        Segment(parsed.tramos[i]) + " se solapan: únalos en uno.");
        }
    }
    return parsed;
}

std::string FormatDay(const std::vector<TimetableSegment>& tramos) {
    std::string text;
    for (const TimetableSegment& segment : tramos) {
        text += (text.empty() ? "" : ", ") + Segment(segment);
    }
    return text;
}

WeekTexts FormatWeek(const accessdb::Timetable& timetable) {
    WeekTexts week;
    for (std::size_t day = 0; day < week.size(); ++day) {
        std::vector<TimetableSegment> tramos = timetable.dias[day];
        std::sort(tramos.begin(), tramos.end(),
                  [](const auto& a, const auto& b) { return a.desde < b.desde; });
        week[day] = FormatDay(tramos);
    }
    return week;
}

}  // namespace mireval
