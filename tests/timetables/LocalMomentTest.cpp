// A card's moment on the school's wall clock, in Madrid's zone across both changes of the
// clocks in 2026 (29 March 02:00 -> 03:00, 25 October 03:00 -> 02:00), and what a segment
// 07:30-15:30 lets through on those days.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "timetables/LocalMoment.h"
#include "timetables/TimetableDecision.h"

using namespace timetables;

namespace {

// The time zone for the tests of this file only; the previous one comes back after each.
class MadridClock : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* previous = std::getenv("TZ");
        m_previous = previous ? std::optional<std::string>(previous) : std::nullopt;
        setenv("TZ", "Europe/Madrid", 1);
        tzset();
    }
    void TearDown() override {
        if (m_previous) {
            setenv("TZ", m_previous->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> m_previous;
};

// The instant of a UTC wall-clock reading.
std::time_t Utc(int year, int month, int day, int hour, int minute) {
    std::tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = hour;
    utc.tm_min = minute;
    return timegm(&utc);
}

accessdb::CardTimetables EveryDay(int desde, int hasta) {
    accessdb::TimetableDay day{"Alumnado", false, {{desde, hasta}}};
    return {day, std::nullopt, std::nullopt};
}

bool Passes(const accessdb::CardTimetables& card, std::time_t when) {
    return JudgeTimetables(card, LocalMomentOf(when)).refusal == tarvo::Restriction::None;
}

}  // namespace

TEST_F(MadridClock, TheMomentIsTheLocalDayWeekdayAndMinute) {
    struct Case {
        std::time_t when;
        const char* day;
        int weekday;
        int minute;
    };
    for (const Case& c : {
             // Winter (UTC+1): half past midnight local is still the previous UTC day.
             Case{Utc(2026, 3, 28, 23, 30), "2026-03-29", 7, 30},
             Case{Utc(2026, 3, 29, 0, 59), "2026-03-29", 7, 119},   // 01:59 CET
             Case{Utc(2026, 3, 29, 1, 0), "2026-03-29", 7, 180},    // 03:00 CEST, 02:xx skipped
             Case{Utc(2026, 3, 30, 5, 30), "2026-03-30", 1, 450},   // Monday 07:30 CEST
             Case{Utc(2026, 10, 25, 0, 30), "2026-10-25", 7, 150},  // 02:30 CEST
             Case{Utc(2026, 10, 25, 1, 30), "2026-10-25", 7, 150},  // 02:30 CET, the hour again
             Case{Utc(2026, 10, 25, 22, 59), "2026-10-25", 7, 1439},
             Case{Utc(2026, 10, 25, 23, 0), "2026-10-26", 1, 0},
         }) {
        const LocalMoment moment = LocalMomentOf(c.when);
        EXPECT_EQ(moment.isoDay, c.day) << c.when;
        EXPECT_EQ(moment.weekday, c.weekday) << c.when;
        EXPECT_EQ(moment.minute, c.minute) << c.when;
    }
}

TEST_F(MadridClock, SchoolHoursKeepTheirWallClockTimesOnTheDaysTheClocksChange) {
    const accessdb::CardTimetables hours = EveryDay(7 * 60 + 30, 15 * 60 + 30);
    struct Case {
        std::time_t when;
        bool passes;
        const char* what;
    };
    for (const Case& c : {
             Case{Utc(2026, 3, 28, 6, 29), false, "Saturday 07:29 CET"},
             Case{Utc(2026, 3, 28, 6, 30), true, "Saturday 07:30 CET"},
             Case{Utc(2026, 3, 28, 14, 29), true, "Saturday 15:29 CET"},
             Case{Utc(2026, 3, 28, 14, 30), false, "Saturday 15:30 CET"},
             Case{Utc(2026, 3, 29, 5, 29), false, "change day 07:29 CEST"},
             Case{Utc(2026, 3, 29, 5, 30), true, "change day 07:30 CEST"},
             Case{Utc(2026, 3, 29, 13, 29), true, "change day 15:29 CEST"},
             Case{Utc(2026, 3, 29, 13, 30), false, "change day 15:30 CEST"},
             Case{Utc(2026, 10, 25, 6, 29), false, "October change 07:29 CET"},
             Case{Utc(2026, 10, 25, 6, 30), true, "October change 07:30 CET"},
             Case{Utc(2026, 10, 25, 14, 29), true, "October change 15:29 CET"},
             Case{Utc(2026, 10, 25, 14, 30), false, "October change 15:30 CET"},
             Case{Utc(2026, 10, 24, 5, 30), true, "day before, 07:30 CEST"},
             Case{Utc(2026, 10, 24, 5, 29), false, "day before, 07:29 CEST"},
         }) {
        EXPECT_EQ(Passes(hours, c.when), c.passes) << c.what;
    }
}

// A segment is wall-clock minutes: across the hour that March skips it holds for the minutes
// that exist (01:30-02:00 and nothing of 02:xx), across the hour October repeats it holds both
// times the clock shows them.
TEST_F(MadridClock, ASegmentAcrossTheSkippedOrRepeatedHourHoldsForTheWallClockMinutesItNames) {
    const accessdb::CardTimetables night = EveryDay(90, 150);      // 01:30-02:30
    EXPECT_TRUE(Passes(night, Utc(2026, 3, 29, 0, 30)));           // 01:30 CET
    EXPECT_TRUE(Passes(night, Utc(2026, 3, 29, 0, 59)));           // 01:59 CET
    EXPECT_FALSE(Passes(night, Utc(2026, 3, 29, 1, 0)));           // 03:00 CEST: 02:xx never came
    const accessdb::CardTimetables repeated = EveryDay(135, 165);  // 02:15-02:45
    EXPECT_TRUE(Passes(repeated, Utc(2026, 10, 25, 0, 20)));       // 02:20 CEST
    EXPECT_FALSE(Passes(repeated, Utc(2026, 10, 25, 0, 50)));      // 02:50 CEST
    EXPECT_TRUE(Passes(repeated, Utc(2026, 10, 25, 1, 20)));       // 02:20 CET, the second time
}
