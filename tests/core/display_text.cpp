// The main window's display text: labels, the three clock lines, the status block and its
// alternation with the update message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/display_text.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "zones/local_time_info.h"
#include "zones/zone_clock.h"

namespace tarnwick {
namespace {

TEST(OffsetLabel, FollowsTheWindowsExamples) {
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "X (+0)"},       {330, "X (+5.50)"}, {345, "X (+5.75)"}, {-480, "X (-8)"},
        {-210, "X (-3.50)"}, {-30, "X (-0.50)"}, {60, "X (+1)"},     {-570, "X (-9.50)"},
        {765, "X (+12.75)"}, {840, "X (+14)"},
    };
    for (const auto& [minutes, expected] : cases) {
        EXPECT_EQ(FormatOffsetLabel("X", minutes), expected) << minutes;
    }
}

TimeSyncSnapshot Sync(SyncStatusValue status, std::string server = "",
                      std::int64_t difference = 0) {
    TimeSyncSnapshot s;
    s.status = status;
    s.currentServer = std::move(server);
    s.differenceSeconds = difference;
    return s;
}

TEST(StatusBlock, TextForEachStatus) {
    StatusBlock block; // the text of StatusNotSynchronized: ComposesTheThreeClocksInOrder
    EXPECT_EQ(block.Next(Sync(StatusConnecting, "time-a.example"), false, ""),
              "\r\n\r\n\r\nConnecting with Time Server: \r\n\r\ntime-a.example\r\n\r\n\r\n");
    // 93784 s = 1 day 2 h 3 min 4 s; a '%' in the server's name is shown as typed.
    EXPECT_EQ(block.Next(Sync(StatusDifference, "odd%Dname%", 93784), false, ""),
              "\r\n\r\nDifference of Time Server:\r\nodd%Dname%\r\nDays:1 Hours:02\r\n"
              "Minutes:03 Seconds:04\r\n\r\n\r\n");
    // Once measured, the estimate and the notes follow the difference.
    TimeSyncSnapshot set = Sync(StatusSynchronized, "t.example", -5);
    set.estimate = OffsetInterval{-5'012'000, -4'988'000};
    set.notes = {"127.0.0.2:37 disagrees by +79 years; ignored"};
    const std::string synchronized =
        "\r\n\r\nSynchronized with Time Server:\r\nt.example\r\nDays:0 Hours:00\r\n"
        "Minutes:00 Seconds:-05\r\nOffset -5.000 s (\u00b1 0.012 s)\r\n"
        "127.0.0.2:37 disagrees by +79 years; ignored\r\n\r\n\r\n";
    EXPECT_EQ(block.Next(set, false, ""), synchronized);
    // An unknown status keeps the last text.
    EXPECT_EQ(block.Next(Sync(static_cast<SyncStatusValue>(7)), false, ""), synchronized);
}

TEST(SpanInWords, NamesTheTwoLargestUnits) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {2'490'000'000'000'000, "78 years, 10 months"},
        {57'600'000'000, "16 hours"},
        {-93'784'250'000, "1 day, 2 hours"},
        {3'601'000'000, "1 hour"},
        {61'000'000, "1 minute, 1 second"},
        {-734'000, "0.734 s"},
    };
    for (const auto& [microseconds, words] : cases) {
        EXPECT_EQ(SpanInWords(microseconds), words) << microseconds;
    }
    EXPECT_EQ(SignedSpanInWords(-57'600'000'000), "-16 hours");
}

// Three ticks of message, two of status, and the count held while no message is to be shown.
TEST(StatusBlock, AlternationPausesWhileNoMessageIsShown) {
    StatusBlock block;
    const TimeSyncSnapshot sync = Sync(StatusNotSynchronized);
    block.Next(sync, true, "m");
    block.Next(sync, false, "m");
    block.Next(sync, false, "m");
    std::string pattern;
    for (int tick = 0; tick < 5; ++tick) {
        pattern += block.Next(sync, true, "m").find("\r\nm\r\n") != std::string::npos ? 'M' : 'S';
    }
    EXPECT_EQ(pattern, "MMSSM");
}

// The computer's zone changes between two ticks; the clock only learns of it through Refresh.
class SwitchingLocalZone final : public ILocalZone {
public:
    TimeZoneInformation GetTimeZoneInformation() const override { return {}; }
    LocalInstant At(std::int64_t) const override {
        return m_switched ? LocalInstant{540, false, "JST"} : LocalInstant{60, false, "CET"};
    }
    std::string DisplayName(std::int64_t t) const override { return At(t).abbreviation; }
    bool Refresh() const override {
        const bool changed = m_switchPending && !m_switched;
        m_switched = m_switched || m_switchPending;
        return changed;
    }
    void SwitchAtNextRefresh() { m_switchPending = true; }

private:
    bool m_switchPending = false;
    mutable bool m_switched = false;
};

TEST(DisplayText, ChangeOfTheComputersZoneShowsInTheNextTick) {
    FixedClock clock(DateTime(2026, 7, 1, 12, 0, 0).ToUnixSeconds());
    SwitchingLocalZone zone;
    CLocalTimeInfo local(clock, zone);
    CZoneClock other(clock, zone);
    other.LoadZone(-1); // the other clock shows the computer's zone too
    ClockTimes times = ReadClockTimes(local, other);
    EXPECT_EQ(times.localLabel, "CET");
    zone.SwitchAtNextRefresh();
    times = ReadClockTimes(local, other);
    EXPECT_EQ(times.localLabel, "JST");
    EXPECT_EQ(times.localOffsetMinutes, 540);
    EXPECT_EQ(times.localNow, DateTime(2026, 7, 1, 21, 0, 0));
    EXPECT_EQ(times.otherLabel, "JST");
    EXPECT_EQ(times.otherNow, DateTime(2026, 7, 1, 21, 0, 0));
}

// Composes the whole text for 2026-12-05 04:10:54 UTC with the computer at +5:30 and the other
// zone at -3:30 without daylight saving.
TEST(DisplayText, ComposesTheThreeClocksInOrder) {
    FixedClock clock(DateTime(2026, 12, 5, 4, 10, 54).ToUnixSeconds());
    FixedLocalZone localZone(330, "India Standard Time");
    CLocalTimeInfo local(clock, localZone);
    CZoneClock other(clock, localZone);
    CZoneRecord record;
    record.timeZoneID = 7;
    record.name = "Newfoundland";
    record.tzi.Bias = 210;
    record.tzi.StandardName = "NST";
    other.SetRecord(record);

    StatusBlock block;
    const ClockTimes times = ReadClockTimes(local, other);
    const std::string text =
        BuildDisplayText(times, block.Next(Sync(StatusNotSynchronized), false, ""));
    EXPECT_EQ(text, test::ReadFileBytes(test::TestDataPath("zones/display_three_clocks.txt")));
}

TEST(Tick, ArmsForJustAfterTheNextWholeSecond) {
    const std::int64_t second = 1796530254LL * 1000;
    struct Case {
        std::int64_t now;
        int delay;
    };
    for (const Case& c :
         {Case{second, 1000 + kTickLeadMs}, Case{second + 1, 999 + kTickLeadMs},
          Case{second + 250, 750 + kTickLeadMs}, Case{second + 999, 1 + kTickLeadMs},
          // before 1970 the second still starts at a multiple of 1000
          Case{-1, 1 + kTickLeadMs}, Case{-1000, 1000 + kTickLeadMs}}) {
        const int delay = MillisecondsToNextTick(c.now);
        EXPECT_EQ(delay, c.delay) << c.now;
        // The tick lands in the next second, kTickLeadMs after its start, never skipping one.
        const std::int64_t next = c.now + delay;
        EXPECT_EQ(((next % 1000) + 1000) % 1000, kTickLeadMs) << c.now;
    }
}

TEST(Tip, NamesTheProgramAndIsCutTo63Characters) {
    const DateTime friday(2026, 12, 4, 21, 5, 9);
    EXPECT_EQ(BuildTipText(friday), "Tarnwick  Friday, December 04, 2026  09:05:09 PM");
    // The longest day and month names still fit; the cut only guards the tip's limit.
    const DateTime longest(2026, 9, 30, 12, 0, 0); // Wednesday, September
    EXPECT_EQ(BuildTipText(longest), "Tarnwick  Wednesday, September 30, 2026  12:00:00 PM");
    EXPECT_LE(BuildTipText(longest).size(), kTipCharacters);
    EXPECT_EQ(BuildPreviewText("PST", friday), "PST    Friday, December 04, 2026  09:05:09 PM");
    // The estimate, once measured, on a line of its own.
    EXPECT_EQ(BuildTipText(friday, OffsetInterval{12'000, 30'000}),
              "Tarnwick  Friday, December 04, 2026  09:05:09 PM\nOffset +0.021 s (\u00b1 0.009 s)");
}

} // namespace
} // namespace tarnwick
