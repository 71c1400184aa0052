#include "AccessRules.h"

#include <ctime>

#include "accessdb/DatabaseError.h"
#include "accessdb/Encodings.h"
#include "accessdb/Records.h"
#include "controller/cycle/BoundedText.h"

namespace tarvo {

namespace {

// Working widths of the controller's copies of the columns it reads.
constexpr std::size_t kDisplayNameWidth = 39;
constexpr std::size_t kApellidoWidth = 15;
constexpr std::size_t kDoorListWidth = 19;
constexpr std::size_t kFlagWidth = 7;
constexpr std::size_t kDateWidth = 11;

struct DateValue {
    long year;
    long month;
    long day;
    auto operator<=>(const DateValue&) const = default;
};

// The console stores the year with two digits ("14"); the clock has four ("2014"). A year of
// one or two digits is read as 2000 + YY so that a stored period really restricts.
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
    const long year = accessdb::LeadingNumber(text);
    return (digits >= 1 && digits <= 2) ? 2000 + year : year;
}

std::string_view Piece(std::string_view text, std::size_t position, std::size_t length) {
    return position < text.size() ? text.substr(position, length) : std::string_view();
}

DateValue StoredDate(std::string_view date) {
    return {YearFrom(Piece(date, 6, 4)), accessdb::LeadingNumber(Piece(date, 3, 2)),
            accessdb::LeadingNumber(Piece(date, 0, 2))};
}

// Both boundary days lie outside the restriction.
bool WithinPeriod(const ClockFields& now, std::string_view fechaA, std::string_view fechaB) {
    const DateValue today{accessdb::LeadingNumber(now.year), accessdb::LeadingNumber(now.month),
                          accessdb::LeadingNumber(now.day)};
    return today > StoredDate(fechaA) && today < StoredDate(fechaB);
}

std::string Bounded(const std::string& text, std::size_t width) { return BoundedCopy(text, width); }

}  // namespace

ClockFields AccessRules::ReadClock() const {
    const std::time_t now = m_clock.Now();
    char text[32] = {};
    // ctime_r is ctime without the shared buffer; the layout is the same.
    if (ctime_r(&now, text) == nullptr) {
        return {};
    }
    return ClockFields::FromClockText(text);
}

Verdict AccessRules::Decide(accessdb::Connection& db, std::string_view dni, char doorDigit,
                            const ClockFields& now) {
    try {
        return Decide(db.FindStudent(dni), dni, doorDigit, now);
    } catch (const accessdb::DatabaseError& error) {
        // A refused DNI or a failed query: nothing was decided.
        Verdict verdict;
        verdict.nameFieldText = "Algun problema en BBDD";
        verdict.errorDescription = error.Description();
        return verdict;
    }
}

Verdict AccessRules::Decide(const std::optional<accessdb::StudentRecord>& student,
                            std::string_view dni, char doorDigit, const ClockFields& now) {
    Verdict verdict;
    if (!student) {
        verdict.nameFieldText = "Nombre no registrado";
        verdict.unregistered = true;
        verdict.doorPermitted = true;
        verdict.displayName = "Acceso denegado";
        return verdict;
    }
    const std::string apellido1 = Bounded(student->apellido1, kApellidoWidth);
    const std::string puerta = Bounded(student->puerta, kDoorListWidth);
    verdict.displayName = BoundedCopy(student->nombre + "   " + apellido1, kDisplayNameWidth);

    verdict.doorPermitted = accessdb::DoorListPermits(puerta, doorDigit);
    if (verdict.doorPermitted) {
        if (now.month == "08" && accessdb::FlagIsSet(Bounded(student->agosto, kFlagWidth))) {
            verdict.restriction = Restriction::August;
        } else if ((now.weekday == "Sun" || now.weekday == "Sat") &&
                   accessdb::FlagIsSet(Bounded(student->finDeSemana, kFlagWidth))) {
            verdict.restriction = Restriction::Weekend;
        } else if (accessdb::FlagIsSet(Bounded(student->periodoTemporal, kFlagWidth))) {
            if (WithinPeriod(now, Bounded(student->fechaA, kDateWidth),
                             Bounded(student->fechaB, kDateWidth))) {
                verdict.restriction = Restriction::Period;
            }
            verdict.nameFieldText = verdict.displayName;
            verdict.dniFieldText = std::string(dni);
        }
        verdict.restricted = verdict.restriction != Restriction::None;
    }

    if (verdict.doorPermitted && !verdict.restricted) {
        verdict.grant = true;
    } else if (verdict.doorPermitted) {
        verdict.nameFieldText = verdict.displayName;
        verdict.dniFieldText = "Acceso restringido temporalmente";
        verdict.doorPermitted = false;
    } else {
        verdict.nameFieldText = verdict.displayName;
        verdict.dniFieldText =
            doorDigit == '0' ? "Elija recinto a acceder " : "No posee autorizacion al recinto ";
    }
    return verdict;
}

AttemptOutcome OutcomeOf(const Verdict& verdict, char doorDigit) {
    if (verdict.errorDescription) {
        return {accessdb::kOutcomeError, *verdict.errorDescription};
    }
    if (verdict.unregistered) {
        return {accessdb::kOutcomeUnregistered, ""};
    }
    if (verdict.grant) {
        return {accessdb::kOutcomeGranted, ""};
    }
    switch (verdict.restriction) {
        case Restriction::August:
            return {accessdb::kOutcomeDenied, accessdb::kReasonAugust};
        case Restriction::Weekend:
            return {accessdb::kOutcomeDenied, accessdb::kReasonWeekend};
        case Restriction::Period:
            return {accessdb::kOutcomeDenied, accessdb::kReasonPeriod};
        case Restriction::None:
            break;
    }
    return {accessdb::kOutcomeDenied,
            doorDigit == '0' ? accessdb::kReasonNoDoor : accessdb::kReasonDoorNotPermitted};
}

}  // namespace tarvo
