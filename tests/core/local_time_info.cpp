#include "zones/local_time_info.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/test_data.h"

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

// The cases are in tests/data/zones/weekday_in_month.txt.
TEST_F(LocalTimeInfoIn2026, FindsTheNthWeekdayOfTheMonthOrNoDateForRulesOutsideTheCalendar) {
    std::ifstream in(test::TestDataPath("zones/weekday_in_month.txt"));
    int cases = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        TransitionRule rule;
        std::string date, time;
        if (line.empty() || line[0] == '#' ||
            !(fields >> rule.wDay >> rule.wDayOfWeek >> rule.wMonth >> rule.wHour >> rule.wMinute >>
              date)) {
            continue;
        }
        SCOPED_TRACE(line);
        ++cases;
        std::vector<DateTime> out;
        EXPECT_TRUE(info.FindWeekdayInMonth(rule.wDay, rule.wDayOfWeek, rule.wMonth, rule.wHour,
                                            rule.wMinute, out));
        if (date == "-") {
            EXPECT_TRUE(out.empty());
            EXPECT_FALSE(info.GetRuleDate(rule).IsValid());
            EXPECT_FALSE(info.GetTransitionUtc(-60, 0, rule).IsValid());
        } else {
            fields >> time;
            ASSERT_EQ(out.size(), 1u);
            EXPECT_EQ(out[0].Format("%Y-%m-%d %H:%M"), date + " " + time);
        }
    }
    EXPECT_EQ(cases, 19);
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
    // The sweep below pins every small total (the parts of a total are the only ones that add
    // up to it, each under an hour and of its sign); the smallest int is far outside it.
    int hours = 99;
    int minutes = 99;
    CLocalTimeInfo::SplitMinutes(INT_MIN, hours, minutes);
    EXPECT_EQ(std::pair(hours, minutes), std::pair(-35791394, -8));
    // The double-precision division never leaves a part out of range.
    for (int total = -200000; total <= 200000; ++total) {
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
