#include "zones/local_time_info.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace tarnwick {
namespace {

std::int64_t Utc(int y, int mo, int d, int h, int mi) {
    return DateTime(y, mo, d, h, mi, 0).ToUnixSeconds();
}

// Mid-2026 on a computer in UTC.
class LocalTimeInfoIn2026 : public ::testing::Test {
protected:
    const FixedClock clock{Utc(2026, 6, 15, 12, 0)};
    const FixedLocalZone zone{0, "UTC"};
    CLocalTimeInfo info{clock, zone};
};

TEST_F(LocalTimeInfoIn2026, FindsTheNthWeekdayOfTheMonthInTheCurrentYear) {
    struct Row {
        int occurrence, dayOfWeek, month, hour, minute;
        DateTime expected;
    };
    const Row rows[] = {
        {5, 0, 3, 2, 0, DateTime(2026, 3, 29, 2, 0, 0)},       // last Sunday of March, 5 of them
        {5, 0, 2, 2, 0, DateTime(2026, 2, 22, 2, 0, 0)},       // last Sunday of February, 4 of them
        {4, 6, 1, 0, 0, DateTime(2026, 1, 24, 0, 0, 0)},       // 4th Saturday, there is a 5th
        {5, 6, 1, 23, 59, DateTime(2026, 1, 31, 23, 59, 0)},   // last day of the month
        {1, 4, 1, 0, 0, DateTime(2026, 1, 1, 0, 0, 0)},        // first day of the month
        {1, 0, 10, 2, 0, DateTime(2026, 10, 4, 2, 0, 0)},      // first Sunday of October
        {2, 0, 3, 2, 0, DateTime(2026, 3, 8, 2, 0, 0)},        // second Sunday of March
        {3, 2, 12, 14, 30, DateTime(2026, 12, 15, 14, 30, 0)}, // third Tuesday of December
    };
    for (const Row& row : rows) {
        std::vector<DateTime> out;
        EXPECT_TRUE(info.FindWeekdayInMonth(row.occurrence, row.dayOfWeek, row.month, row.hour,
                                            row.minute, out));
        ASSERT_EQ(out.size(), 1u) << row.occurrence << ' ' << row.dayOfWeek << ' ' << row.month;
        EXPECT_EQ(out[0], row.expected) << out[0].Format("%Y-%m-%d %H:%M");
    }
}

TEST_F(LocalTimeInfoIn2026, RulesOutsideTheCalendarGiveNoDate) {
    struct Row {
        int occurrence, dayOfWeek, month, hour, minute;
    };
    const Row rows[] = {{0, 0, 3, 2, 0},  {6, 0, 3, 2, 0},  {-1, 0, 3, 2, 0}, {1, 0, 0, 2, 0},
                        {1, 0, 13, 2, 0}, {1, 7, 3, 2, 0},  {1, -1, 3, 2, 0}, {1, 0, 3, 24, 0},
                        {1, 0, 3, 40, 0}, {1, 0, 3, -1, 0}, {1, 0, 3, 2, 60}};
    for (const Row& row : rows) {
        std::vector<DateTime> out;
        EXPECT_TRUE(info.FindWeekdayInMonth(row.occurrence, row.dayOfWeek, row.month, row.hour,
                                            row.minute, out));
        EXPECT_TRUE(out.empty()) << row.occurrence << ' ' << row.dayOfWeek << ' ' << row.month
                                 << ' ' << row.hour << ':' << row.minute;

        const TransitionRule rule{0,        row.month, row.dayOfWeek, row.occurrence,
                                  row.hour, row.minute};
        EXPECT_FALSE(info.GetRuleDate(rule).IsValid());
        EXPECT_FALSE(info.GetTransitionUtc(-60, 0, rule).IsValid());
    }
}

TEST(LocalTimeInfo, TheYearIsTheComputersLocalYear) {
    // 2026-12-31 20:00 UTC is already 2027-01-01 06:00 at +10.
    const FixedClock clock(Utc(2026, 12, 31, 20, 0));
    const FixedLocalZone east(600, "AEST");
    const FixedLocalZone west(-300, "EST");
    CLocalTimeInfo eastInfo(clock, east);
    CLocalTimeInfo westInfo(clock, west);
    const TransitionRule lastSundayOfMarch{0, 3, 0, 5, 2};
    EXPECT_EQ(eastInfo.GetRuleDate(lastSundayOfMarch), DateTime(2027, 3, 28, 2, 0, 0));
    EXPECT_EQ(westInfo.GetRuleDate(lastSundayOfMarch), DateTime(2026, 3, 29, 2, 0, 0));
}

TEST(LocalTimeInfo, SplitMinutesGivesBothPartsTheSignOfTheTotal) {
    struct Row {
        int total, hours, minutes;
    };
    // The sweep below checks the sign rule for every small total; these pin the exact parts.
    const Row rows[] = {
        {-90, -1, -30}, {330, 5, 30}, {-210, -3, -30}, {-1, 0, -1}, {INT_MIN, -35791394, -8}};
    for (const Row& row : rows) {
        int hours = 99;
        int minutes = 99;
        CLocalTimeInfo::SplitMinutes(row.total, hours, minutes);
        EXPECT_EQ(std::pair(hours, minutes), std::pair(row.hours, row.minutes)) << row.total;
    }
    // The double-precision division never leaves a part out of range.
    for (int total = -200000; total <= 200000; ++total) {
        int hours = 0;
        int minutes = 0;
        CLocalTimeInfo::SplitMinutes(total, hours, minutes);
        ASSERT_EQ(hours * 60 + minutes, total);
        ASSERT_LT(std::abs(minutes), 60) << total;
        ASSERT_TRUE((hours <= 0 && minutes <= 0) || (hours >= 0 && minutes >= 0)) << total;
    }
}

TEST(LocalTimeInfo, UsesTheUSRuleInForceInTheCurrentYear) {
    struct Row {
        int year;
        DateTime start, end;
    };
    const Row rows[] = {
        {1986, DateTime(1986, 4, 6, 2, 0, 0), DateTime(1986, 10, 26, 2, 0, 0)}, // 1987 rule
        {2006, DateTime(2006, 4, 2, 2, 0, 0), DateTime(2006, 10, 29, 2, 0, 0)},
        {2007, DateTime(2007, 3, 11, 2, 0, 0), DateTime(2007, 11, 4, 2, 0, 0)},
        {2026, DateTime(2026, 3, 8, 2, 0, 0), DateTime(2026, 11, 1, 2, 0, 0)},
    };
    const FixedLocalZone zone(-300, "EST");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.year);
        const FixedClock clock(Utc(row.year, 7, 1, 12, 0));
        CLocalTimeInfo info(clock, zone);
        const DateTimeSpan second(0, 0, 0, 1);
        EXPECT_TRUE(info.IsUSDaylightSavingTime(row.start)); // both ends included
        EXPECT_EQ(info.GetUSStart(), row.start);
        EXPECT_EQ(info.GetUSEnd(), row.end);
        EXPECT_TRUE(info.IsUSDaylightSavingTime(row.end));
        EXPECT_FALSE(info.IsUSDaylightSavingTime(row.start - second));
        EXPECT_FALSE(info.IsUSDaylightSavingTime(row.end + second));
        EXPECT_FALSE(info.IsUSDaylightSavingTime(DateTime(row.year, 1, 15, 12, 0, 0)));
    }
}

} // namespace
} // namespace tarnwick
