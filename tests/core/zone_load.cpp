// Loading a preset row into the zone clock: zones with and without daylight saving, the
// fallback to the computer's zone, and rows or files the clock must survive.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "support/temp_dir.h"
#include "support/zones_seed.h"
#include "zones/zone_clock.h"

namespace tarnwick {
namespace {

// A computer zone with a daylight rule: UTC-5, daylight from the second Sunday of March. Its
// instants say otherwise (as where the rule cannot hold the zone's ways): the clock on the
// computer's zone shows the instants.
class RuledLocalZone final : public ILocalZone {
public:
    TimeZoneInformation GetTimeZoneInformation() const override {
        TimeZoneInformation tzi;
        tzi.Bias = 300;
        tzi.StandardName = "EST";
        tzi.DaylightName = "EDT";
        tzi.DaylightBias = -60;
        tzi.DaylightDate = {0, 3, 0, 2, 2, 0, 0, 0};
        tzi.StandardDate = {0, 11, 0, 1, 2, 0, 0, 0};
        return tzi;
    }
    LocalInstant At(std::int64_t) const override { return {-270, true, "XDT"}; }
    std::string DisplayName(std::int64_t) const override { return "EST"; }
};

// What the clock shows now: "ABBR dst|std OFFSET YYYY-MM-DD HH:MM", the offset in minutes.
std::string Shown(CZoneClock& zone) {
    const std::string time = zone.GetZoneTime().Format("%Y-%m-%d %H:%M");
    return zone.GetAbbreviation() + (zone.IsDstNow() ? " dst " : " std ") +
           std::to_string(zone.GetOffsetMinutes()) + " " + time;
}

class ZoneLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(test::SeedZones(dir, "zones/rows_to_load.sql"), "");
        ASSERT_TRUE(zone.ConnectDatabase(dir, messages));
    }
    test::TempDir tmp;
    const std::string& dir = tmp.Path();
    RecordingMessageBox messages;
    FixedClock clock{DateTime(2026, 3, 29, 0, 59, 0).ToUnixSeconds()};
    FixedLocalZone utc{0, "UTC"};
    CZoneClock zone{clock, utc};
};

// The columns become the record as zone_record.cpp tests; here the row of each id is read.
TEST_F(ZoneLoadTest, LoadsTheRowOfTheIdAndNothingOfTheRowBefore) {
    EXPECT_TRUE(zone.LoadZone(8));
    EXPECT_EQ(zone.GetRecord().timeZoneID, 8);
    EXPECT_EQ(zone.GetRecord().tzi.StandardDate, (TransitionRule{0, 10, 0, 5, 3, 0, 0, 0}));
    // 2026-03-29 02:00 CET -> 03:00 CEST, +60 -> +120 (01:00 UTC)
    EXPECT_EQ(Shown(zone), "CET std 60 2026-03-29 01:59");
    clock.Advance(60);
    EXPECT_EQ(Shown(zone), "CEST dst 120 2026-03-29 03:00");

    // India's row keeps daylight columns that its m_DSTUse of 0 switches off.
    EXPECT_TRUE(zone.LoadZone(7));
    EXPECT_EQ(zone.GetRecord().name, "India Standard Time, Kolkata");
    EXPECT_EQ(Shown(zone), "IST std 330 2026-03-29 06:30");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ZoneLoadTest, UnknownIdLoadsTheComputersZone) {
    RuledLocalZone ruled;
    CZoneClock ruledClock(clock, ruled);
    ASSERT_TRUE(ruledClock.ConnectDatabase(dir, messages));
    for (std::int32_t id : {-1, 0, 999}) {
        EXPECT_TRUE(ruledClock.LoadZone(id));
        const CZoneRecord& r = ruledClock.GetRecord();
        EXPECT_EQ(r.timeZoneID, -1);
        EXPECT_EQ(r.name, "TimeZoneID not Found");
        EXPECT_TRUE(r.dstUse);
        EXPECT_EQ(r.tzi, ruled.GetTimeZoneInformation());
        // 2026-03-29 00:59 UTC: the instants, not the rule (EDT, -4 since March 8).
        EXPECT_EQ(Shown(ruledClock), "XDT dst -270 2026-03-28 20:29");
    }
    zone.LoadZone(999); // the computer in UTC has no daylight rule
    EXPECT_FALSE(zone.GetRecord().dstUse);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ZoneLoadTest, RowOutsideTheColumnsRangesIsRefusedWithAMessage) {
    EXPECT_TRUE(zone.LoadZone(10));
    EXPECT_EQ(zone.GetRecord().name, "TimeZoneID not Found");
    EXPECT_EQ(zone.GetRecord().timeZoneID, -1);
    EXPECT_EQ(Shown(zone), "UTC std 0 2026-03-29 00:59"); // the computer's zone, UTC here
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The time zone 10 in " + dir +
                  "/timezones.mdb is invalid: m_GMTBiasHour is 99999; it must be -24 to 24. The "
                  "clock shows the computer's zone instead.");
}

TEST(ZoneLoadFiles, UnusableDatabaseIsReportedOnceAndTheComputersZoneShown) {
    const test::TempDir tmp;
    const std::string& dir = tmp.Path();
    const std::string path = dir + "/timezones.mdb";
    std::ofstream(path) << "not a database at all, but somebody's notes";
    const std::string before = test::ReadFileBytes(path);
    RecordingMessageBox messages;
    FixedClock clock(0);
    FixedLocalZone zoneInfo(-180, "BRT");
    CZoneClock zone(clock, zoneInfo);
    EXPECT_FALSE(zone.ConnectDatabase(dir, messages));
    EXPECT_TRUE(zone.LoadZone(5));
    EXPECT_TRUE(zone.LoadZone(6));
    EXPECT_EQ(zone.GetRecord().name, "TimeZoneID not Found");
    zone.GetZoneTime();
    EXPECT_EQ(zone.GetOffsetMinutes(), -180);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, path, messages.shown[0].text);
    EXPECT_EQ(test::ReadFileBytes(path), before);
}

} // namespace
} // namespace tarnwick
