#include "zones/zone_clock.h"

#include "platform/posix_tz.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "support/test_data.h"

namespace tarnwick {
namespace {

std::int64_t Utc(int y, int mo, int d, int h, int mi) {
    return DateTime(y, mo, d, h, mi, 0).ToUnixSeconds();
}

// A record with daylight saving from a POSIX rule (the rule conversion has its own tests).
CZoneRecord FromRule(const char* rule, const char* name) {
    CZoneRecord r;
    r.name = name;
    r.dstUse = true;
    std::string why;
    EXPECT_TRUE(ToTimeZoneInformation(ParsePosixTz(rule).value(), r.tzi, why)) << why;
    return r;
}

// G.M.T. +1; daylight time from the last Sunday of March 2:00 to the last Sunday of October 3:00.
CZoneRecord Northern() {
    return FromRule("CET-1CEST,M3.5.0,M10.5.0/3", "Central Europe");
}

// G.M.T. +10; daylight time from the first Sunday of October 2:00 to the first Sunday of April
// 3:00.
CZoneRecord Southern() {
    return FromRule("AEST-10AEDT,M10.1.0,M4.1.0/3", "Eastern Australia");
}

const FixedLocalZone kUtc(0, "UTC"); // the computer's zone

// What the clock on record shows at t (seconds since 1970, UTC): "ABBR dst|std OFFSET
// YYYY-MM-DD HH:MM", the offset in minutes.
std::string Shown(const CZoneRecord& record, std::int64_t t) {
    FixedClock clock(t);
    CZoneClock zone(clock, kUtc);
    zone.SetRecord(record);
    const std::string time = zone.GetZoneTime().Format("%Y-%m-%d %H:%M");
    return zone.GetAbbreviation() + (zone.IsDstNow() ? " dst " : " std ") +
           std::to_string(zone.GetOffsetMinutes()) + " " + time;
}

// Every shipped rule is also checked against the C library around its changes (presets.cpp).
TEST(ZoneClock, ChangesAtTheRulesInstantsOnBothSidesOfTheEquator) {
    std::ifstream in(test::TestDataPath("zones/zone_clock_changes.txt"));
    int cases = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string rule, hour, date, time, word, expected;
        if (line.empty() || line[0] == '#' || !(fields >> rule >> hour >> date >> time)) {
            continue;
        }
        while (fields >> word) {
            expected += (expected.empty() ? "" : " ") + word;
        }
        SCOPED_TRACE(line);
        CZoneRecord record = rule == "north" ? Northern() : Southern();
        if (hour != "-") {
            record.tzi.DaylightDate.wHour = std::stoi(hour);
        }
        int y = 0, mo = 0, d = 0, h = 0, mi = 0;
        ASSERT_EQ(std::sscanf((date + " " + time).c_str(), "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi),
                  5);
        EXPECT_EQ(Shown(record, Utc(y, mo, d, h, mi)), expected);
        ++cases;
    }
    EXPECT_EQ(cases, 13);
}

// Which rules name no date is local_time_info.cpp's; either rule without one means standard time.
TEST(ZoneClock, RuleWithoutADateMeansStandardTimeAllYear) {
    struct Broken {
        const char* what;
        TransitionRule TimeZoneInformation::*field;
        int TransitionRule::*part;
        int value;
    };
    const Broken rows[] = {
        {"daylight month 13", &TimeZoneInformation::DaylightDate, &TransitionRule::wMonth, 13},
        {"standard occurrence 6", &TimeZoneInformation::StandardDate, &TransitionRule::wDay, 6},
    };
    for (const Broken& row : rows) {
        SCOPED_TRACE(row.what);
        CZoneRecord record = Northern();
        record.tzi.StandardBias = -15; // visible in the offset: standard time is +1:15
        (record.tzi.*(row.field)).*(row.part) = row.value;
        // July: in daylight time under the intact rules.
        EXPECT_EQ(Shown(record, Utc(2026, 7, 15, 12, 0)), "CET std 75 2026-07-15 13:15");
    }
}

TEST(ZoneClock, AbsurdBiasesSaturateInsteadOfOverflowing) {
    const FixedClock clock(Utc(2026, 7, 1, 0, 0));
    CZoneClock zone(clock, kUtc);
    CZoneRecord record = Northern();
    record.tzi.Bias = INT_MIN;
    record.tzi.DaylightBias = INT_MIN;
    record.tzi.StandardBias = INT_MIN;
    zone.SetRecord(record);
    // About 4085 years ahead.
    EXPECT_EQ(zone.GetZoneTime(), DateTime(2026, 7, 1, 0, 0, 0) +
                                      DateTimeSpan::FromSeconds(std::int64_t{INT_MAX} * 60));
    EXPECT_EQ(zone.GetOffsetMinutes(), INT_MAX);
    record.dstUse = false;
    zone.SetRecord(record);
    zone.GetZoneTime();
    EXPECT_EQ(zone.GetOffsetMinutes(), INT_MAX);
}

} // namespace
} // namespace tarnwick
