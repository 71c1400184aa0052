#pragma once

#include <string_view>

#include "accessdb/TimetableRecords.h"
#include "controller/cycle/Verdict.h"
#include "timetables/LocalMoment.h"

namespace timetables {

// Whether the timetables that apply to a card (the student's, the door's) let it through at
// this moment: every one of them must include it. On a day without school a timetable includes
// no moment unless it is valid on such days. The student's timetable is judged first.
struct TimetableJudgement {
    tarvo::Restriction refusal = tarvo::Restriction::None;  // None, Timetable, DayWithoutSchool
    std::string detail;  // the refusing timetable's name, or the day's description
};
TimetableJudgement JudgeTimetables(const accessdb::CardTimetables& card, const LocalMoment& now);

// The rules' verdict with the timetables applied on top: a card the rules refused (or could not
// decide) stays exactly as they left it; a grant the timetables refuse is turned away with its
// own text ("Fuera de horario", "Día sin clase") in the name field and the log line, the DNI in
// the DNI field, and the refusing timetable or day as the attempt's reason (OutcomeOf).
tarvo::Verdict ApplyTimetables(tarvo::Verdict verdict, const accessdb::CardTimetables& card,
                               std::string_view dni, const LocalMoment& now);

// The texts a refused card shows.
inline constexpr const char* kOutsideTimetableText = "Fuera de horario";
inline constexpr const char* kDayWithoutSchoolText = "Día sin clase";

}  // namespace timetables
