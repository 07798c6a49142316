#include "zones/date_time.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tarnwick {
namespace {

TEST(DateTime, EveryDayOfYears100To9999RoundTripsAndWeekdaysAdvance) {
    const std::int64_t first = DaysFromCivil1899(100, 1, 1);
    std::int64_t expected = first;
    int previousWeekday = -1;
    for (int year = 100; year <= 9999; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= DaysInMonth(year, month); ++day, ++expected) {
                const DateTime value(year, month, day, 0, 0, 0);
                ASSERT_TRUE(value.IsValid()) << year << '-' << month << '-' << day;
                ASSERT_EQ(value.SerialSeconds(), expected * 86400)
                    << year << '-' << month << '-' << day;
                int y = 0, m = 0, d = 0;
                CivilFromDays1899(expected, y, m, d);
                ASSERT_EQ(std::tie(y, m, d), std::tie(year, month, day));
                ASSERT_EQ(std::tuple(value.GetYear(), value.GetMonth(), value.GetDay()),
                          std::tie(year, month, day));
                const int weekday = value.GetDayOfWeek();
                if (previousWeekday >= 0) {
                    ASSERT_EQ(weekday, (previousWeekday + 1) % 7)
                        << year << '-' << month << '-' << day;
                }
                previousWeekday = weekday;
            }
        }
    }
    // The sweep is relative to its first day: pin day 0, 1899-12-30, a Saturday, and 1970.
    EXPECT_EQ(DaysFromCivil1899(1899, 12, 30), 0);
    EXPECT_EQ(DateTime(1899, 12, 30, 0, 0, 0).GetDayOfWeek(), 6);
    EXPECT_EQ(DateTime::FromUnixSeconds(0).Days(), 25569.0);
    EXPECT_EQ(DateTime(2000, 12, 31, 0, 0, 0).GetDayOfYear(), 366);
}

TEST(DateTime, OutOfRangePartsAreInvalid) {
    struct Row {
        int y, mo, d, h, mi, s;
    };
    const Row rows[] = {
        {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}, {2026, 0, 1, 0, 0, 0},
        {2026, 13, 1, 0, 0, 0}, {2026, 4, 31, 0, 0, 0}, {2026, 2, 29, 0, 0, 0},
        {1900, 2, 29, 0, 0, 0}, {2026, 1, 0, 0, 0, 0},  {2026, 1, 1, 24, 0, 0},
        {2026, 1, 1, -1, 0, 0}, {2026, 1, 1, 0, 60, 0}, {2026, 1, 1, 0, 0, 60},
    };
    for (const Row& r : rows) {
        EXPECT_FALSE(DateTime(r.y, r.mo, r.d, r.h, r.mi, r.s).IsValid())
            << r.y << '-' << r.mo << '-' << r.d << ' ' << r.h << ':' << r.mi << ':' << r.s;
    }
    EXPECT_TRUE(DateTime(9999, 12, 31, 23, 59, 59).IsValid()); // every day is valid (above)
    EXPECT_EQ(DateTime(2026, 2, 30, 0, 0, 0).Format("%Y"), "");
}

TEST(DateTime, ArithmeticCrossesMonthAndYearEndsAndRangeLimits) {
    const DateTime newYearsEve(2026, 12, 31, 23, 30, 0);
    const DateTime next = newYearsEve + DateTimeSpan(0, 0, 45, 0);
    EXPECT_EQ(next, DateTime(2027, 1, 1, 0, 15, 0));
    EXPECT_EQ(next - newYearsEve, DateTimeSpan::FromSeconds(45 * 60));

    EXPECT_EQ(DateTime(2024, 3, 1, 1, 0, 0) - DateTimeSpan(0, 2, 0, 0),
              DateTime(2024, 2, 29, 23, 0, 0));
    EXPECT_EQ(DateTime(2026, 1, 31, 12, 0, 0) + DateTimeSpan(1, 0, 0, 0),
              DateTime(2026, 2, 1, 12, 0, 0));
    DateTime value(2026, 3, 29, 1, 59, 0);
    value += DateTimeSpan(0, 0, 1, 0);
    EXPECT_EQ(value, DateTime(2026, 3, 29, 2, 0, 0));

    // Before day 0 the time of day still counts forward from midnight.
    const DateTime before(1899, 12, 29, 18, 0, 0);
    EXPECT_EQ(before.Days(), -0.25);
    EXPECT_EQ(before.GetHour(), 18);
    EXPECT_EQ(before.GetDay(), 29);

    EXPECT_FALSE((DateTime(9999, 12, 31, 23, 59, 59) + DateTimeSpan(0, 0, 0, 1)).IsValid());
    EXPECT_FALSE((DateTime(100, 1, 1, 0, 0, 0) - DateTimeSpan(0, 0, 0, 1)).IsValid());
    EXPECT_FALSE((DateTime::Invalid() + DateTimeSpan(0, 0, 0, 1)).IsValid());
    EXPECT_EQ(DateTime::FromDays(46361.5), DateTime(2026, 12, 5, 12, 0, 0));
    EXPECT_FALSE(DateTime::FromDays(1e300).IsValid());
    EXPECT_EQ(DateTime::FromUnixSeconds(1796443854).ToUnixSeconds(), 1796443854);
    const std::int64_t firstSecond = DateTime(100, 1, 1, 0, 0, 0).ToUnixSeconds();
    EXPECT_EQ(DateTime::FromUnixSeconds(firstSecond), DateTime(100, 1, 1, 0, 0, 0));
    EXPECT_FALSE(DateTime::FromUnixSeconds(firstSecond - 1).IsValid());
    EXPECT_FALSE(DateTime::FromUnixSeconds(INT64_MIN).IsValid());
    EXPECT_FALSE((DateTime(2026, 1, 1, 0, 0, 0) + DateTimeSpan::FromSeconds(INT64_MAX)).IsValid());
    EXPECT_FALSE((DateTime(2026, 1, 1, 0, 0, 0) - DateTimeSpan::FromSeconds(INT64_MIN)).IsValid());
}

TEST(DateTime, FormatsInEnglishWhateverTheLocale) {
    const DateTime t(2026, 12, 5, 4, 10, 54);
    EXPECT_EQ(t.Format("%A, %B %d, %Y  %I:%M:%S %p"), "Saturday, December 05, 2026  04:10:54 AM");
    EXPECT_EQ(t.Format("%a %b %m/%d/%y %H %j %%"), "Sat Dec 12/05/26 04 339 %");
    EXPECT_EQ(t.Format("%#d %#I %Q"), "5 4 %Q");

    struct Row {
        int hour;
        const char* expected;
    };
    // Midnight is 12 AM, noon 12 PM; %I always has two digits.
    const Row rows[] = {{0, "12 AM 00"},  {1, "01 AM 01"},  {11, "11 AM 11"},
                        {12, "12 PM 12"}, {13, "01 PM 13"}, {23, "11 PM 23"}};
    for (const Row& r : rows) {
        EXPECT_EQ(DateTime(2026, 1, 1, r.hour, 0, 0).Format("%I %p %H"), r.expected) << r.hour;
    }
}

TEST(DateTimeSpan, ComponentsAndFormatCarryTheSign) {
    const DateTimeSpan span = DateTimeSpan::FromSeconds(93784);
    EXPECT_EQ(span, DateTimeSpan(1, 2, 3, 4));
    EXPECT_EQ(span.Format("Days:%D Hours:%H"), "Days:1 Hours:02");
    EXPECT_EQ(span.Format("Minutes:%M Seconds:%S"), "Minutes:03 Seconds:04");

    const DateTimeSpan negative = DateTimeSpan::FromSeconds(-3723);
    EXPECT_EQ(negative.GetHours(), -1);
    EXPECT_EQ(negative.Format("%D %H %M %S"), "0 -01 -02 -03");
    EXPECT_EQ((-span).Format("%D %H:%M:%S 100%%"), "-1 -02:-03:-04 100%");
    EXPECT_EQ(DateTimeSpan::FromSeconds(-60).Format("%H:%M"), "00:-01");
    EXPECT_EQ(DateTimeSpan::FromSeconds(11 * 86400 + 3600 * 23).Format("%D|%H"), "11|23");
}

} // namespace
} // namespace tarnwick
