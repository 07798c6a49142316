#include "zones/zone_clock.h"

#include "platform/posix_tz.h"

#include <gtest/gtest.h>

#include <climits>

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

struct Expectation {
    int y, mo, d, h, mi; // UTC
    bool dst;
    int offset;
    const char* abbreviation;
    DateTime zoneTime;
};

void Check(const CZoneRecord& record, const Expectation& e) {
    FixedClock clock(Utc(e.y, e.mo, e.d, e.h, e.mi));
    CZoneClock zone(clock, kUtc);
    zone.SetRecord(record);
    const DateTime time = zone.GetZoneTime();
    EXPECT_EQ(zone.IsDstNow(), e.dst);
    EXPECT_EQ(zone.GetOffsetMinutes(), e.offset);
    EXPECT_EQ(zone.GetAbbreviation(), e.abbreviation);
    EXPECT_EQ(time, e.zoneTime) << time.Format("%Y-%m-%d %H:%M");
}

// Every shipped rule is also checked against the C library around its changes (presets.cpp).
TEST(ZoneClock, ChangesAtTheRulesInstantsOnBothSidesOfTheEquator) {
    struct Row {
        CZoneRecord (*zone)();
        int ruleHour; // the northern start's hour, -1: as the rule says
        Expectation e;
    };
    const Row rows[] = {
        // 2026-03-29 02:00 CET -> 03:00 CEST, +1 -> +2 (01:00 UTC)
        {Northern, -1, {2026, 3, 29, 0, 59, false, 60, "CET", DateTime(2026, 3, 29, 1, 59, 0)}},
        {Northern, -1, {2026, 3, 29, 1, 0, true, 120, "CEST", DateTime(2026, 3, 29, 3, 0, 0)}},
        // 2026-10-25 03:00 CEST -> 02:00 CET, +2 -> +1 (01:00 UTC)
        {Northern, -1, {2026, 10, 25, 0, 59, true, 120, "CEST", DateTime(2026, 10, 25, 2, 59, 0)}},
        {Northern, -1, {2026, 10, 25, 1, 0, false, 60, "CET", DateTime(2026, 10, 25, 2, 0, 0)}},
        // At 12 a.m. (2026-03-28 23:00 UTC) and 12 p.m. (11:00 UTC).
        {Northern, 0, {2026, 3, 28, 22, 59, false, 60, "CET", DateTime(2026, 3, 28, 23, 59, 0)}},
        {Northern, 0, {2026, 3, 28, 23, 0, true, 120, "CEST", DateTime(2026, 3, 29, 1, 0, 0)}},
        {Northern, 12, {2026, 3, 29, 10, 59, false, 60, "CET", DateTime(2026, 3, 29, 11, 59, 0)}},
        {Northern, 12, {2026, 3, 29, 11, 0, true, 120, "CEST", DateTime(2026, 3, 29, 13, 0, 0)}},
        // 2026-04-05 03:00 AEDT -> 02:00 AEST, +11 -> +10 (2026-04-04 16:00 UTC)
        {Southern, -1, {2026, 4, 4, 15, 59, true, 660, "AEDT", DateTime(2026, 4, 5, 2, 59, 0)}},
        {Southern, -1, {2026, 4, 4, 16, 0, false, 600, "AEST", DateTime(2026, 4, 5, 2, 0, 0)}},
        // 2026-10-04 02:00 AEST -> 03:00 AEDT, +10 -> +11 (2026-10-03 16:00 UTC)
        {Southern, -1, {2026, 10, 3, 15, 59, false, 600, "AEST", DateTime(2026, 10, 4, 1, 59, 0)}},
        {Southern, -1, {2026, 10, 3, 16, 0, true, 660, "AEDT", DateTime(2026, 10, 4, 3, 0, 0)}},
        {Southern, -1, {2026, 12, 31, 20, 0, true, 660, "AEDT", DateTime(2027, 1, 1, 7, 0, 0)}},
    };
    for (const Row& row : rows) {
        const Expectation& e = row.e;
        SCOPED_TRACE(DateTime(e.y, e.mo, e.d, e.h, e.mi, 0).Format("%Y-%m-%d %H:%M UTC"));
        CZoneRecord record = row.zone();
        if (row.ruleHour >= 0) {
            record.tzi.DaylightDate.wHour = row.ruleHour;
        }
        Check(record, e);
    }
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
        {"standard minute 75", &TimeZoneInformation::StandardDate, &TransitionRule::wMinute, 75},
    };
    for (const Broken& row : rows) {
        SCOPED_TRACE(row.what);
        CZoneRecord record = Northern();
        record.tzi.StandardBias = -15; // visible in the offset: standard time is +1:15
        (record.tzi.*(row.field)).*(row.part) = row.value;
        // July: in daylight time under the intact rules.
        Check(record, {2026, 7, 15, 12, 0, false, 75, "CET", DateTime(2026, 7, 15, 13, 15, 0)});
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
