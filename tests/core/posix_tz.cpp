#include "platform/posix_tz.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "support/tzif.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

TransitionRule Rule(int month, int week, int weekday, int hour, int minute = 0) {
    TransitionRule r;
    r.wMonth = month;
    r.wDay = week;
    r.wDayOfWeek = weekday;
    r.wHour = hour;
    r.wMinute = minute;
    return r;
}

struct Convertible {
    const char* text;
    int bias;
    const char* stdName;
    const char* dstName;
    int daylightBias;
    TransitionRule daylightDate;
    TransitionRule standardDate;
};

TEST(PosixTz, RulesBecomeZoneRecords) {
    // Every rule of the shipped presets is checked against the C library (presets.cpp); here
    // a plain rule and the forms none of them has.
    const Convertible rows[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", -60, "CET", "CEST", -60, Rule(3, 5, 0, 2),
         Rule(10, 5, 0, 3)},
        // Explicit daylight offset of two hours, a change at a time with minutes.
        {"<+00>0<+02>-2,M3.5.0/1:30,M10.5.0/3", 0, "+00", "+02", -120, Rule(3, 5, 0, 1, 30),
         Rule(10, 5, 0, 3)},
        // No dates: the United States rules.
        {"AAA3BBB", 180, "AAA", "BBB", -60, Rule(3, 2, 0, 2), Rule(11, 1, 0, 2)},
    };
    for (const Convertible& row : rows) {
        SCOPED_TRACE(row.text);
        const std::optional<PosixTzRule> rule = ParsePosixTz(row.text);
        ASSERT_TRUE(rule.has_value());
        TimeZoneInformation tzi;
        std::string why;
        ASSERT_TRUE(ToTimeZoneInformation(*rule, tzi, why)) << why;
        EXPECT_EQ(tzi.Bias, row.bias);
        EXPECT_EQ(tzi.StandardName, row.stdName);
        EXPECT_EQ(tzi.DaylightName, row.dstName);
        EXPECT_EQ(tzi.StandardBias, 0);
        EXPECT_EQ(tzi.DaylightBias, row.daylightBias);
        EXPECT_EQ(tzi.DaylightDate, row.daylightDate);
        EXPECT_EQ(tzi.StandardDate, row.standardDate);
    }
}

TEST(PosixTz, ParsesEveryTransitionForm) {
    const std::optional<PosixTzRule> julian = ParsePosixTz("EST5EDT,J60/-1:30:15,300/167");
    ASSERT_TRUE(julian.has_value());
    EXPECT_EQ(julian->stdOffsetSeconds, -5 * 3600);
    EXPECT_EQ(julian->dstOffsetSeconds, -4 * 3600);
    EXPECT_EQ(julian->dstStart.kind, PosixTransition::Kind::JulianNoLeap);
    EXPECT_EQ(julian->dstStart.day, 60);
    EXPECT_EQ(julian->dstStart.timeSeconds, -(3600 + 30 * 60 + 15));
    EXPECT_EQ(julian->dstEnd.kind, PosixTransition::Kind::JulianZero);
    EXPECT_EQ(julian->dstEnd.day, 300);
    EXPECT_EQ(julian->dstEnd.timeSeconds, 167 * 3600);

    const std::optional<PosixTzRule> explicitSigns =
        ParsePosixTz("<-0130>+1:30<UTC>-0:00:30,M1.1.6/0,M12.5.0");
    ASSERT_TRUE(explicitSigns.has_value());
    EXPECT_EQ(explicitSigns->stdAbbr, "-0130");
    EXPECT_EQ(explicitSigns->stdOffsetSeconds, -5400);
    EXPECT_EQ(explicitSigns->dstOffsetSeconds, 30);
    EXPECT_EQ(explicitSigns->dstStart.weekday, 6);
    EXPECT_EQ(explicitSigns->dstStart.timeSeconds, 0);
    EXPECT_EQ(explicitSigns->dstEnd.timeSeconds, 7200); // the default time
}

TEST(PosixTz, RejectsMalformedRules) {
    const char* const rows[] = {
        "",
        "CET",                          // no offset
        "CE-1",                         // name too short
        "<+1>-1",                       // quoted name too short
        "<+03-3",                       // unclosed quote
        "<+0_3>-3",                     // bad character in a quoted name
        "CET-25",                       // offset hour out of range
        "CET-1:60",                     // minutes out of range
        "CET-1:30:60",                  // seconds out of range
        "CET-1:",                       // colon without minutes
        "CET-1CEST,M3.5.0",             // one date only
        "CET-1CEST,M13.5.0,M10.5.0/3",  // month 13
        "CET-1CEST,M0.5.0,M10.5.0/3",   // month 0
        "CET-1CEST,M3.6.0,M10.5.0/3",   // week 6
        "CET-1CEST,M3.0.0,M10.5.0/3",   // week 0
        "CET-1CEST,M3.5.7,M10.5.0/3",   // weekday 7
        "CET-1CEST,M3.5,M10.5.0/3",     // weekday missing
        "CET-1CEST,J0,J365",            // J counts from 1
        "CET-1CEST,366,0",              // zero-based day past 365
        "CET-1CEST,M3.5.0/168,M10.5.0", // time past 167 hours
        "CET-1CEST,M3.5.0,M10.5.0/3x",  // trailing text
        "CET-1CEST;M3.5.0,M10.5.0",     // wrong separator
        "CET-1 CEST",                   // space
        "Europe/Berlin",                // a zone name, not a rule
    };
    for (const char* text : rows) {
        EXPECT_FALSE(ParsePosixTz(text).has_value()) << text;
    }
}

TEST(PosixTz, RefusesRulesTheRecordCannotHold) {
    struct Row {
        const char* text;
        const char* reasonPart;
    };
    const Row rows[] = {
        // Greenland: changes at -1:00 and 0:00 local.
        {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", "hour outside"},
        // Chile: changes at 24:00 on Saturdays.
        {"<-04>4<-03>,M9.1.6/24,M4.1.6/24", "hour outside"},
        {"XXX3YYY,J60,J300", "day of the year"},
        {"XXX3YYY,M3.2.0,100", "day of the year"},
        {"XXX3YYY,M3.2.0/2:00:30,M11.1.0", "whole minute"},
        {"XXX-1:00:30", "standard offset"},
        {"XXX-1YYY-2:00:30,M3.2.0,M11.1.0", "daylight shift"},
        // Ireland's negative daylight saving: winter is the "daylight" period.
        {"IST-1GMT0,M10.5.0,M3.5.0/1", "behind standard"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const std::optional<PosixTzRule> rule = ParsePosixTz(row.text);
        ASSERT_TRUE(rule.has_value());
        TimeZoneInformation tzi;
        tzi.Bias = 12345;
        std::string why;
        EXPECT_FALSE(ToTimeZoneInformation(*rule, tzi, why));
        EXPECT_NE(why.find(row.reasonPart), std::string::npos) << why;
        EXPECT_EQ(tzi.Bias, 12345); // left untouched
    }
}

TEST(TzifFooter, IsTheLineAfterTheSecondBlock) {
    const test::TempDir tmp;
    const auto footer = [&tmp](const std::string& bytes) {
        test::WriteFileBytes(tmp / "zone", bytes);
        return ReadTzifFooter(tmp / "zone");
    };
    const std::string v1 = test::TzifBlock('2', 4);
    const std::string v2 = v1 + test::TzifBlock('2', 8);
    EXPECT_EQ(footer(v2 + "\nXYZ-1\n"), "XYZ-1");
    EXPECT_EQ(footer(v2 + "\n\n"), "");
    EXPECT_EQ(footer(test::TzifBlock('\0', 4)), "");
    // Cut short anywhere, a footer without its newlines, not a TZif file.
    for (const std::string& broken :
         {std::string(), std::string("TZi"), std::string("NOTATZIF"), v1.substr(0, 50), v1,
          v2.substr(0, v2.size() - 1), v2 + "\nXYZ-1", v2 + "XYZ-1\n"}) {
        EXPECT_FALSE(footer(broken).has_value()) << broken.size();
    }
    EXPECT_FALSE(ReadTzifFooter(tmp / "missing"));
    EXPECT_FALSE(ReadTzifFooter(tmp.Path())); // a directory
}

} // namespace
} // namespace tarnwick
