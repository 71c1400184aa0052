// The decision by timetables and the calendar on top of the rules' verdict: which timetable or
// day refuses, and what a refused card shows, logs and records.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "accessdb/Records.h"
#include "controller/cycle/AccessLog.h"
#include "controller/cycle/AccessRules.h"
#include "timetables/TimetableDecision.h"

using namespace timetables;
using accessdb::CardTimetables;
using accessdb::TimetableDay;
using tarvo::Restriction;

namespace {

const TimetableDay kPupils{
    "Alumnado", false, {{465, 600}, {630, 915}}};  // 07:45-10:00, 10:30-15:15
const TimetableDay kStaff{"Personal", true, {{0, 1440}}};
const TimetableDay kEvening{"Nocturno", true, {{1080, 1320}}};     // 18:00-22:00
const TimetableDay kDoorMornings{"Mañanas", false, {{420, 840}}};  // 07:00-14:00
const TimetableDay kClosedToday{"Cerrado", true, {}};

LocalMoment At(int hour, int minute) { return {"2026-12-09", 3, hour * 60 + minute}; }

struct Case {
    const char* what;
    CardTimetables card;
    LocalMoment now;
    Restriction refusal;
    const char* detail;
};

class Judgement : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(Judgement, RefusesByTheFirstTimetableThatLeavesTheMomentOut) {
    const Case& c = GetParam();
    const TimetableJudgement judgement = JudgeTimetables(c.card, c.now);
    EXPECT_EQ(judgement.refusal, c.refusal);
    EXPECT_EQ(judgement.detail, c.detail);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Judgement,
    ::testing::Values(
        Case{"nothing applies", {}, At(3, 0), Restriction::None, ""},
        Case{"a day without school alone restricts nobody",
             {{}, {}, "Navidad"},
             At(3, 0),
             Restriction::None,
             ""},
        Case{"first minute", {kPupils, {}, {}}, At(7, 45), Restriction::None, ""},
        Case{"minute before", {kPupils, {}, {}}, At(7, 44), Restriction::Timetable, "Alumnado"},
        Case{"segment's end is out",
             {kPupils, {}, {}},
             At(10, 0),
             Restriction::Timetable,
             "Alumnado"},
        Case{"second segment", {kPupils, {}, {}}, At(15, 14), Restriction::None, ""},
        Case{"after school", {kPupils, {}, {}}, At(15, 15), Restriction::Timetable, "Alumnado"},
        Case{"whole day to midnight", {kStaff, {}, {}}, At(23, 59), Restriction::None, ""},
        Case{"no segment today",
             {kClosedToday, {}, {}},
             At(12, 0),
             Restriction::Timetable,
             "Cerrado"},
        Case{"the door refuses",
             {kPupils, kDoorMornings, {}},
             At(14, 30),
             Restriction::Timetable,
             "Mañanas"},
        Case{"the door alone",
             {{}, kDoorMornings, {}},
             At(6, 59),
             Restriction::Timetable,
             "Mañanas"},
        Case{"both refuse: the student's is told",
             {kPupils, kDoorMornings, {}},
             At(6, 0),
             Restriction::Timetable,
             "Alumnado"},
        Case{"both include", {kPupils, kDoorMornings, {}}, At(9, 0), Restriction::None, ""},
        Case{"pupils on a day without school",
             {kPupils, {}, "Navidad"},
             At(9, 0),
             Restriction::DayWithoutSchool,
             "Navidad"},
        Case{"staff on a day without school",
             {kStaff, {}, "Navidad"},
             At(3, 0),
             Restriction::None,
             ""},
        Case{"valid on such days, yet outside its hours",
             {kEvening, {}, "Fiesta local"},
             At(17, 59),
             Restriction::Timetable,
             "Nocturno"},
        Case{"staff through a door closed on days without school",
             {kStaff, kDoorMornings, "Fiesta local"},
             At(9, 0),
             Restriction::DayWithoutSchool,
             "Fiesta local"}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name;
        for (const char c : std::string(param.param.what)) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

namespace {

tarvo::Verdict RulesVerdict(const char* clock, const accessdb::StudentRecord& student,
                            char door = '3') {
    return tarvo::AccessRules::Decide(student, student.dni, door,
                                      tarvo::ClockFields::FromClockText(clock));
}

accessdb::StudentRecord Ana(std::string puerta = "3", std::string agosto = "0") {
    return {"12345678",        "Ana", "Pérez", "Gil", std::move(puerta),
            std::move(agosto), "0",   "0",     "",    ""};
}

constexpr const char* kWednesday = "Wed Dec  9 06:30:00 2026\n";
const CardTimetables kPupilsOnly{kPupils, {}, {}};

}  // namespace

TEST(ApplyTimetables, AGrantOutsideTheTimetableIsTurnedAwayWithItsOwnTextsAndReason) {
    const tarvo::Verdict rules = RulesVerdict(kWednesday, Ana());
    ASSERT_TRUE(rules.grant);
    const tarvo::Verdict verdict = ApplyTimetables(rules, kPupilsOnly, "12345678", At(6, 30));
    EXPECT_FALSE(verdict.grant);
    EXPECT_FALSE(verdict.doorPermitted);
    EXPECT_TRUE(verdict.restricted);
    EXPECT_EQ(verdict.nameFieldText, "Fuera de horario");
    EXPECT_EQ(verdict.dniFieldText, "12345678");
    const tarvo::AttemptOutcome outcome = tarvo::OutcomeOf(verdict, '3');
    EXPECT_EQ(outcome.resultado, accessdb::kOutcomeDenied);
    EXPECT_EQ(outcome.motivo, "horario Alumnado");
    const tarvo::ClockFields now = tarvo::ClockFields::FromClockText(kWednesday);
    EXPECT_EQ(tarvo::AccessLog::BuildLine(now, '3', "12345678", verdict.displayName,
                                          verdict.doorPermitted, verdict.unregistered),
              "\n 9/12/2026   06:30:00   Entrada 3   12345678   Fuera de horario\tDENEGADO\r\n");

    const tarvo::Verdict holiday =
        ApplyTimetables(rules, {kPupils, {}, "Navidad"}, "12345678", At(9, 0));
    EXPECT_EQ(holiday.nameFieldText, "Día sin clase");
    EXPECT_EQ(tarvo::OutcomeOf(holiday, '3').motivo, "día sin clase: Navidad");
}

TEST(ApplyTimetables, AGrantWithinItsTimetablesStaysExactlyTheRulesGrant) {
    const tarvo::Verdict rules = RulesVerdict(kWednesday, Ana());
    const tarvo::Verdict verdict = ApplyTimetables(rules, kPupilsOnly, "12345678", At(9, 0));
    EXPECT_TRUE(verdict.grant);
    EXPECT_EQ(verdict.displayName, rules.displayName);
    EXPECT_EQ(verdict.nameFieldText, rules.nameFieldText);
    EXPECT_EQ(verdict.dniFieldText, rules.dniFieldText);
    EXPECT_EQ(tarvo::OutcomeOf(verdict, '3').resultado, accessdb::kOutcomeGranted);
}

// The rules' own refusals come first and keep their texts, whatever the timetables say.
TEST(ApplyTimetables, ACardTheRulesRefuseKeepsTheirVerdict) {
    const std::vector<tarvo::Verdict> refused = {
        RulesVerdict(kWednesday, Ana("5")),                         // other door
        RulesVerdict(kWednesday, Ana(), '0'),                       // no door chosen
        RulesVerdict("Mon Aug 10 09:00:00 2026\n", Ana("3", "1")),  // August
        tarvo::AccessRules::Decide(std::nullopt, "87654321", '3',
                                   tarvo::ClockFields::FromClockText(kWednesday)),  // unknown
    };
    for (const tarvo::Verdict& rules : refused) {
        const tarvo::Verdict verdict =
            ApplyTimetables(rules, {kPupils, kDoorMornings, "Navidad"}, "12345678", At(3, 0));
        EXPECT_EQ(verdict.grant, rules.grant);
        EXPECT_EQ(verdict.restriction, rules.restriction);
        EXPECT_EQ(verdict.nameFieldText, rules.nameFieldText);
        EXPECT_EQ(verdict.dniFieldText, rules.dniFieldText);
        EXPECT_EQ(verdict.displayName, rules.displayName);
        EXPECT_EQ(tarvo::OutcomeOf(verdict, '3').motivo, tarvo::OutcomeOf(rules, '3').motivo);
    }
}
