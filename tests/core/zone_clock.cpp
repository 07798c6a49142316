#include "zones/zone_clock.h"

#include "platform/posix_tz.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <filesystem>
#include <fstream>

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

TEST(ZoneClock, NorthernZoneChangesAtItsTransitionInstants) {
    const Expectation rows[] = {
        // 2026-03-29 02:00 CET -> 03:00 CEST, +1 -> +2 (01:00 UTC)
        {2026, 3, 29, 0, 59, false, 60, "CET", DateTime(2026, 3, 29, 1, 59, 0)},
        {2026, 3, 29, 1, 0, true, 120, "CEST", DateTime(2026, 3, 29, 3, 0, 0)},
        {2026, 3, 29, 1, 1, true, 120, "CEST", DateTime(2026, 3, 29, 3, 1, 0)},
        // 2026-10-25 03:00 CEST -> 02:00 CET, +2 -> +1 (01:00 UTC)
        {2026, 10, 25, 0, 59, true, 120, "CEST", DateTime(2026, 10, 25, 2, 59, 0)},
        {2026, 10, 25, 1, 0, false, 60, "CET", DateTime(2026, 10, 25, 2, 0, 0)},
        {2026, 10, 25, 1, 1, false, 60, "CET", DateTime(2026, 10, 25, 2, 1, 0)},
        {2026, 1, 15, 12, 0, false, 60, "CET", DateTime(2026, 1, 15, 13, 0, 0)},
        {2026, 7, 15, 12, 0, true, 120, "CEST", DateTime(2026, 7, 15, 14, 0, 0)},
    };
    for (const Expectation& e : rows) {
        SCOPED_TRACE(DateTime(e.y, e.mo, e.d, e.h, e.mi, 0).Format("%Y-%m-%d %H:%M UTC"));
        Check(Northern(), e);
    }
}

TEST(ZoneClock, SouthernZoneIsInDaylightTimeAcrossTheYearsEnd) {
    const Expectation rows[] = {
        // 2026-04-05 03:00 AEDT -> 02:00 AEST, +11 -> +10 (2026-04-04 16:00 UTC)
        {2026, 4, 4, 15, 59, true, 660, "AEDT", DateTime(2026, 4, 5, 2, 59, 0)},
        {2026, 4, 4, 16, 0, false, 600, "AEST", DateTime(2026, 4, 5, 2, 0, 0)},
        {2026, 4, 4, 16, 1, false, 600, "AEST", DateTime(2026, 4, 5, 2, 1, 0)},
        // 2026-10-04 02:00 AEST -> 03:00 AEDT, +10 -> +11 (2026-10-03 16:00 UTC)
        {2026, 10, 3, 15, 59, false, 600, "AEST", DateTime(2026, 10, 4, 1, 59, 0)},
        {2026, 10, 3, 16, 0, true, 660, "AEDT", DateTime(2026, 10, 4, 3, 0, 0)},
        {2026, 10, 3, 16, 1, true, 660, "AEDT", DateTime(2026, 10, 4, 3, 1, 0)},
        {2026, 1, 15, 0, 0, true, 660, "AEDT", DateTime(2026, 1, 15, 11, 0, 0)},
        {2026, 7, 15, 0, 0, false, 600, "AEST", DateTime(2026, 7, 15, 10, 0, 0)},
        {2026, 12, 31, 20, 0, true, 660, "AEDT", DateTime(2027, 1, 1, 7, 0, 0)},
    };
    for (const Expectation& e : rows) {
        SCOPED_TRACE(DateTime(e.y, e.mo, e.d, e.h, e.mi, 0).Format("%Y-%m-%d %H:%M UTC"));
        Check(Southern(), e);
    }
}

TEST(ZoneClock, RulesAtTwelveAmAndPm) {
    struct Row {
        int ruleHour;
        Expectation e;
    };
    const Row rows[] = {
        // 12 a.m.: 2026-03-29 00:00 CET is 03-28 23:00 UTC
        {0, {2026, 3, 28, 22, 59, false, 60, "CET", DateTime(2026, 3, 28, 23, 59, 0)}},
        {0, {2026, 3, 28, 23, 0, true, 120, "CEST", DateTime(2026, 3, 29, 1, 0, 0)}},
        // 12 p.m.: 2026-03-29 12:00 CET is 11:00 UTC
        {12, {2026, 3, 29, 10, 59, false, 60, "CET", DateTime(2026, 3, 29, 11, 59, 0)}},
        {12, {2026, 3, 29, 11, 0, true, 120, "CEST", DateTime(2026, 3, 29, 13, 0, 0)}},
    };
    for (const Row& row : rows) {
        CZoneRecord record = Northern();
        record.tzi.DaylightDate.wHour = row.ruleHour;
        Check(record, row.e);
    }
}

TEST(ZoneClock, FixedOffsetsIncludingNegativeHalfHours) {
    struct Row {
        int bias;
        Expectation e;
    };
    const Row rows[] = {
        {-330, {2026, 7, 1, 12, 0, false, 330, "CET", DateTime(2026, 7, 1, 17, 30, 0)}},
        {210, {2026, 7, 1, 12, 0, false, -210, "CET", DateTime(2026, 7, 1, 8, 30, 0)}},   // -3, -30
        {150, {2026, 7, 1, 0, 10, false, -150, "CET", DateTime(2026, 6, 30, 21, 40, 0)}}, // -3, 30
    };
    for (const Row& row : rows) {
        CZoneRecord record = Northern(); // its rules and daylight bias are ignored: no dstUse
        record.dstUse = false;
        record.tzi.Bias = row.bias;
        Check(record, row.e);
    }
}

TEST(ZoneClock, RuleWithoutADateMeansStandardTimeAllYear) {
    struct Broken {
        const char* what;
        TransitionRule TimeZoneInformation::*field;
        int TransitionRule::*part;
        int value;
    };
    const Broken rows[] = {
        {"daylight month 13", &TimeZoneInformation::DaylightDate, &TransitionRule::wMonth, 13},
        {"daylight month 0", &TimeZoneInformation::DaylightDate, &TransitionRule::wMonth, 0},
        {"standard month 13", &TimeZoneInformation::StandardDate, &TransitionRule::wMonth, 13},
        {"daylight occurrence 0", &TimeZoneInformation::DaylightDate, &TransitionRule::wDay, 0},
        {"standard occurrence 6", &TimeZoneInformation::StandardDate, &TransitionRule::wDay, 6},
        {"daylight hour 40", &TimeZoneInformation::DaylightDate, &TransitionRule::wHour, 40},
        {"standard minute 75", &TimeZoneInformation::StandardDate, &TransitionRule::wMinute, 75},
        {"daylight weekday 9", &TimeZoneInformation::DaylightDate, &TransitionRule::wDayOfWeek, 9},
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

// The record built from the system's zone rules agrees with the C library at every hour of
// the year and around each transition.
TEST(ZoneClock, RecordFromTheSystemZoneAgreesWithTheCLibrary) {
    test::ScopedEnv tz("TZ");
    for (const char* name : {"Europe/Berlin", "Australia/Sydney", "America/New_York",
                             "Australia/Lord_Howe", "Asia/Kolkata", "America/St_Johns"}) {
        SCOPED_TRACE(name);
        tz.Set(name);
        const std::unique_ptr<ILocalZone> system = MakeSystemLocalZone();
        CZoneRecord record;
        record.tzi = system->GetTimeZoneInformation();
        record.dstUse = record.tzi.DaylightDate.wMonth != 0;
        FixedClock clock(Utc(2026, 1, 1, 0, 0));
        CZoneClock zone(clock, *system);
        zone.SetRecord(record);
        int mismatches = 0;
        for (std::int64_t t = Utc(2026, 1, 2, 0, 0); t < Utc(2026, 12, 31, 0, 0); t += 1800) {
            clock.Set(t);
            zone.GetZoneTime();
            const LocalInstant expected = system->At(t);
            if (zone.GetOffsetMinutes() != expected.offsetMinutes ||
                zone.IsDstNow() != expected.isDst) {
                ++mismatches;
                ADD_FAILURE() << DateTime::FromUnixSeconds(t).Format("%Y-%m-%d %H:%M UTC")
                              << " clock " << zone.GetOffsetMinutes() << " C library "
                              << expected.offsetMinutes;
                if (mismatches > 5) {
                    break;
                }
            }
        }
    }
}

bool IsTzifFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    return in.read(magic, sizeof magic) && std::string(magic, sizeof magic) == "TZif";
}

// The second clock set to the computer's own zone (no row) shows what the C library says, in
// every zone of the system's database, also those the Windows-style rules cannot hold:
// Europe/Dublin (negative daylight saving), Asia/Jerusalem and America/Santiago (transitions
// at hour 26 or 24), America/Nuuk (at -1), Asia/Gaza.
TEST(ZoneClock, ComputersOwnZoneFollowsTheCLibraryInEveryZone) {
    const std::filesystem::path root = "/usr/share/zoneinfo";
    const std::int64_t instants[] = {
        Utc(2026, 1, 15, 12, 0),  Utc(2026, 3, 27, 12, 0), Utc(2026, 3, 29, 1, 30),
        Utc(2026, 4, 5, 12, 0),   Utc(2026, 7, 15, 12, 0), Utc(2026, 9, 6, 12, 0),
        Utc(2026, 10, 25, 0, 30), Utc(2026, 11, 1, 12, 0), Utc(1995, 6, 1, 0, 0),
        Utc(2037, 12, 31, 23, 0), Utc(2040, 7, 1, 12, 0),
    };
    test::ScopedEnv tz("TZ");
    int zones = 0;
    int mismatches = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::filesystem::path relative = entry.path().lexically_relative(root);
        const std::string first = relative.begin()->string();
        if (first == "posix" || first == "right" || !entry.is_regular_file() ||
            !IsTzifFile(entry.path())) {
            continue;
        }
        const std::string name = relative.string();
        tz.Set(name);
        const std::unique_ptr<ILocalZone> system = MakeSystemLocalZone();
        FixedClock clock(0);
        CZoneClock zone(clock, *system);
        ASSERT_TRUE(zone.LoadZone(-1));
        ++zones;
        for (const std::int64_t t : instants) {
            clock.Set(t);
            const DateTime shown = zone.GetZoneTime();
            const std::time_t time = static_cast<std::time_t>(t);
            std::tm parts{};
            ASSERT_NE(localtime_r(&time, &parts), nullptr);
            const int offset = static_cast<int>(parts.tm_gmtoff / 60);
            const DateTime expected(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                                    parts.tm_hour, parts.tm_min, parts.tm_sec);
            if (zone.GetOffsetMinutes() != offset || zone.IsDstNow() != (parts.tm_isdst > 0) ||
                zone.GetAbbreviation() != parts.tm_zone || shown != expected) {
                ADD_FAILURE() << name << " at "
                              << DateTime::FromUnixSeconds(t).Format("%Y-%m-%d %H:%M UTC")
                              << ": clock " << zone.GetAbbreviation() << " "
                              << zone.GetOffsetMinutes() << " " << shown.Format("%H:%M")
                              << ", C library " << parts.tm_zone << " " << offset << " "
                              << expected.Format("%H:%M");
                if (++mismatches > 20) {
                    return;
                }
            }
        }
    }
    EXPECT_GT(zones, 300); // the whole database was walked
}

} // namespace
} // namespace tarnwick
