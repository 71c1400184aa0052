#include "AccessRules.h"

#include <ctime>

#include "accessdb/DatabaseError.h"
#include "accessdb/Encodings.h"
#include "accessdb/Records.h"
#include "accessdb/StudentTerms.h"
#include "controller/cycle/BoundedText.h"

namespace tarvo {

namespace {

// Working widths of the controller's copies of the columns it reads.
constexpr std::size_t kDisplayNameWidth = 39;
constexpr std::size_t kApellidoWidth = 15;
constexpr std::size_t kDoorListWidth = 19;
constexpr std::size_t kFlagWidth = 7;  // the dates' 11 hold every position they are read at

// Both boundary days lie outside the restriction.
bool WithinPeriod(const ClockFields& now, const accessdb::StudentTerms& student) {
    const accessdb::CalendarDay today{accessdb::LeadingNumber(now.year),
                                      accessdb::LeadingNumber(now.month),
                                      accessdb::LeadingNumber(now.day)};
    return today > student.from.Day() && today < student.to.Day();
}

}  // namespace

ClockFields AccessRules::ReadClock() const { return ClockAt(m_clock.Now()); }

ClockFields AccessRules::ClockAt(std::time_t now) {
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
    const accessdb::StudentTerms terms = accessdb::StudentTerms::Read(*student);
    verdict.displayName = BoundedCopy(
        terms.nombre + "   " + BoundedCopy(terms.apellido1, kApellidoWidth), kDisplayNameWidth);

    using accessdb::StudentTerms;
    verdict.doorPermitted = terms.doors.Has(doorDigit, kDoorListWidth);
    if (verdict.doorPermitted) {
        if (now.month == "08" && StudentTerms::IsSet(terms.august, kFlagWidth)) {
            verdict.restriction = Restriction::August;
        } else if ((now.weekday == "Sun" || now.weekday == "Sat") &&
                   StudentTerms::IsSet(terms.weekend, kFlagWidth)) {
            verdict.restriction = Restriction::Weekend;
        } else if (StudentTerms::IsSet(terms.period, kFlagWidth)) {
            if (WithinPeriod(now, terms)) {
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
        case Restriction::Timetable:
            return {accessdb::kOutcomeDenied,
                    std::string(accessdb::kReasonTimetable) + " " + verdict.restrictionDetail};
        case Restriction::DayWithoutSchool:
            return {accessdb::kOutcomeDenied, std::string(accessdb::kReasonDayWithoutSchool) +
                                                  ": " + verdict.restrictionDetail};
        case Restriction::None:
            break;
    }
    return {accessdb::kOutcomeDenied,
            doorDigit == '0' ? accessdb::kReasonNoDoor : accessdb::kReasonDoorNotPermitted};
}

}  // namespace tarvo
