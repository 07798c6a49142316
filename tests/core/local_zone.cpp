#include "platform/local_zone.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "zones/date_time.h"

namespace tarnwick {
namespace {

std::int64_t Utc(int y, int mo, int d, int h, int mi) {
    return DateTime(y, mo, d, h, mi, 0).ToUnixSeconds();
}

// What the zone says of t (seconds since 1970, UTC): "OFFSET dst|std ABBREVIATION NAME", the
// offset in minutes and NAME what the window shows.
std::string Seen(const ILocalZone& zone, std::int64_t t) {
    const LocalInstant at = zone.At(t);
    return std::to_string(at.offsetMinutes) + (at.isDst ? " dst " : " std ") + at.abbreviation +
           " " + zone.DisplayName(t);
}

// Each test sets TZ for itself; the caller's TZ comes back afterwards.
class SystemLocalZoneTest : public ::testing::Test {
protected:
    std::unique_ptr<ILocalZone> ZoneFor(const char* tz) {
        m_tz.Set(tz);
        return MakeSystemLocalZone();
    }

    test::ScopedEnv m_tz{"TZ"};
};

TEST_F(SystemLocalZoneTest, NamedZoneGivesItsRulesAndTheOffsetOfEachInstant) {
    const std::unique_ptr<ILocalZone> zone = ZoneFor("Australia/Sydney");
    EXPECT_EQ(
        zone->GetTimeZoneInformation(),
        (TimeZoneInformation{-600, "AEST", {0, 4, 0, 1, 3}, 0, "AEDT", {0, 10, 0, 1, 2}, -60}));

    // 2026-10-04 02:00 AEST -> 03:00 AEDT, +10 -> +11 (16:00 UTC the day before)
    EXPECT_EQ(Seen(*zone, Utc(2026, 10, 3, 15, 59)), "600 std AEST AEST");
    EXPECT_EQ(Seen(*zone, Utc(2026, 10, 3, 16, 0)), "660 dst AEDT AEDT");
}

TEST_F(SystemLocalZoneTest, NumericAbbreviationsShowTheZoneName) {
    for (const char* tz :
         {":America/Sao_Paulo", "America/Sao_Paulo", "/usr/share/zoneinfo/America/Sao_Paulo"}) {
        SCOPED_TRACE(tz);
        const std::unique_ptr<ILocalZone> zone = ZoneFor(tz);
        EXPECT_EQ(Seen(*zone, Utc(2026, 7, 1, 12, 0)), "-180 std -03 America/Sao_Paulo");
        EXPECT_EQ(zone->GetTimeZoneInformation().Bias, 180);
    }
    // A rule in TZ has no zone name to show.
    const std::unique_ptr<ILocalZone> rule = ZoneFor("<+0330>-3:30");
    EXPECT_EQ(Seen(*rule, 0), "210 std +0330 +0330");
}

TEST_F(SystemLocalZoneTest, RuleInTzIsFollowed) {
    const std::unique_ptr<ILocalZone> zone = ZoneFor("XST-1XDT,M3.5.0,M10.5.0/3");
    EXPECT_EQ(zone->GetTimeZoneInformation().DaylightDate, (TransitionRule{0, 3, 0, 5, 2}));
    // 2026-03-29 02:00 XST -> 03:00 XDT, +1 -> +2 (01:00 UTC)
    EXPECT_EQ(Seen(*zone, Utc(2026, 3, 29, 0, 59)), "60 std XST XST");
    EXPECT_EQ(Seen(*zone, Utc(2026, 3, 29, 1, 0)), "120 dst XDT XDT");
}

TEST_F(SystemLocalZoneTest, UnknownOrMalformedTzFallsBackToUtc) {
    for (const char* tz : {"Nowhere/Atlantis", ":Nowhere", "CET-1CEST,M13.5.0,M10.5.0", "", ":",
                           "Australia", "../../etc/passwd", "-"}) {
        SCOPED_TRACE(tz);
        const std::unique_ptr<ILocalZone> zone = ZoneFor(tz);
        EXPECT_EQ(Seen(*zone, Utc(2026, 7, 1, 12, 0)), "0 std UTC UTC");
        EXPECT_EQ(zone->GetTimeZoneInformation().Bias, 0);
        EXPECT_EQ(zone->GetTimeZoneInformation().DaylightDate.wMonth, 0);
    }
}

TEST_F(SystemLocalZoneTest, RuleTheRecordCannotHoldKeepsStandardTimeInTheRecordOnly) {
    // Greenland changes at -1:00 local; the record keeps its standard offset, the instants
    // still follow the C library.
    const std::unique_ptr<ILocalZone> zone = ZoneFor("America/Nuuk");
    const TimeZoneInformation tzi = zone->GetTimeZoneInformation();
    EXPECT_EQ(tzi.Bias, 120);
    EXPECT_EQ(tzi.DaylightDate.wMonth, 0);
    EXPECT_EQ(zone->At(Utc(2026, 7, 1, 12, 0)).offsetMinutes, -60);
    EXPECT_EQ(zone->At(Utc(2026, 1, 1, 12, 0)).offsetMinutes, -120);
}

TEST_F(SystemLocalZoneTest, RefreshFollowsAChangedTzAtOnceAndOnlyThen) {
    const std::unique_ptr<ILocalZone> zone = ZoneFor("Europe/Berlin");
    EXPECT_FALSE(zone->Refresh()); // nothing changed
    m_tz.Set("Asia/Tokyo");
    EXPECT_TRUE(zone->Refresh());
    EXPECT_EQ(zone->GetTimeZoneInformation().Bias, -540);
    EXPECT_EQ(Seen(*zone, Utc(2026, 7, 1, 12, 0)), "540 std JST JST");
    EXPECT_FALSE(zone->Refresh());
    // A rule carries no zone name over from the zone before it.
    m_tz.Set("<-03>3");
    EXPECT_TRUE(zone->Refresh());
    EXPECT_EQ(zone->DisplayName(0), "-03");
}

// The update check reads the zone on its own thread while the window refreshes it.
TEST_F(SystemLocalZoneTest, RefreshIsSafeWhileAnotherThreadReadsTheZone) {
    const std::unique_ptr<ILocalZone> zone = ZoneFor("Europe/Berlin");
    std::atomic<bool> stop{false};
    std::atomic<int> odd{0};
    std::thread reader([&] {
        while (!stop.load()) {
            const int offset = zone->At(Utc(2026, 1, 15, 12, 0)).offsetMinutes;
            if (offset != 60 && offset != 540) {
                ++odd;
            }
            zone->DisplayName(0);
            zone->GetTimeZoneInformation();
        }
    });
    for (int i = 0; i < 200; ++i) {
        m_tz.Set(i % 2 == 0 ? "Asia/Tokyo" : "Europe/Berlin");
        EXPECT_TRUE(zone->Refresh());
    }
    stop = true;
    reader.join();
    EXPECT_EQ(odd.load(), 0);
}

// The file that stands for /etc/localtime is relinked to another zone, as timedatectl
// set-timezone does, and then replaced by a copy of a third.
TEST_F(SystemLocalZoneTest, RefreshFollowsARelinkedOrReplacedSystemZoneFile) {
    m_tz.Set(std::nullopt);
    const test::TempDir tmp;
    const std::string link = tmp / "localtime";
    std::filesystem::create_symlink("/usr/share/zoneinfo/Europe/Berlin", link);
    const std::unique_ptr<ILocalZone> zone = MakeSystemLocalZone(link);
    EXPECT_EQ(zone->GetTimeZoneInformation().Bias, -60);
    EXPECT_FALSE(zone->Refresh());

    std::filesystem::create_symlink("/usr/share/zoneinfo/Asia/Kolkata", tmp / "next");
    std::filesystem::rename(tmp / "next", link);
    EXPECT_TRUE(zone->Refresh());
    EXPECT_EQ(zone->GetTimeZoneInformation().Bias, -330);
    EXPECT_EQ(zone->GetTimeZoneInformation().StandardName, "IST");
    EXPECT_FALSE(zone->Refresh());

    std::filesystem::remove(link);
    std::filesystem::copy_file("/usr/share/zoneinfo/America/Sao_Paulo", link);
    EXPECT_TRUE(zone->Refresh());
    EXPECT_EQ(zone->GetTimeZoneInformation().Bias, 180);
}

} // namespace
} // namespace tarnwick
