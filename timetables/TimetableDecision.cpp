#include "TimetableDecision.h"

#include <algorithm>

namespace timetables {

namespace {

bool Includes(const accessdb::TimetableDay& timetable, int minute) {
    return std::any_of(timetable.tramos.begin(), timetable.tramos.end(),
                       [minute](const accessdb::TimetableSegment& segment) {
                           return minute >= segment.desde && minute < segment.hasta;
                       });
}

}  // namespace

TimetableJudgement JudgeTimetables(const accessdb::CardTimetables& card, const LocalMoment& now) {
    for (const auto* timetable : {&card.alumno, &card.puerta}) {
        if (!*timetable) {
            continue;
        }
        if (card.diaSinClase && !(*timetable)->diasSinClase) {
            return {tarvo::Restriction::DayWithoutSchool, *card.diaSinClase};
        }
        if (!Includes(**timetable, now.minute)) {
            return {tarvo::Restriction::Timetable, (*timetable)->nombre};
        }
    }
    return {};
}

tarvo::Verdict ApplyTimetables(tarvo::Verdict verdict, const accessdb::CardTimetables& card,
                               std::string_view dni, const LocalMoment& now) {
    if (!verdict.grant) {
        return verdict;
    }
    const TimetableJudgement judgement = JudgeTimetables(card, now);
    if (judgement.refusal == tarvo::Restriction::None) {
        return verdict;
    }
    const char* text = judgement.refusal == tarvo::Restriction::Timetable ? kOutsideTimetableText
                                                                          : kDayWithoutSchoolText;
    verdict.grant = false;
    verdict.doorPermitted = false;  // the log line's verdict: DENEGADO
    verdict.restricted = true;
    verdict.restriction = judgement.refusal;
    verdict.restrictionDetail = judgement.detail;
    verdict.displayName = text;
    verdict.nameFieldText = text;
    verdict.dniFieldText = std::string(dni);
    return verdict;
}

}  // namespace timetables
