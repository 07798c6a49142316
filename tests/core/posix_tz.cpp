#include "platform/posix_tz.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

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

TEST(PosixTz, RealFootersBecomeZoneRecords) {
    const Convertible rows[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3", -60, "CET", "CEST", -60, Rule(3, 5, 0, 2),
         Rule(10, 5, 0, 3)},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", -600, "AEST", "AEDT", -60, Rule(10, 1, 0, 2),
         Rule(4, 1, 0, 3)},
        {"EST5EDT,M3.2.0,M11.1.0", 300, "EST", "EDT", -60, Rule(3, 2, 0, 2), Rule(11, 1, 0, 2)},
        // Lord Howe: half an hour of daylight saving.
        {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", -630, "+1030", "+11", -30, Rule(10, 1, 0, 2),
         Rule(4, 1, 0, 2)},
        {"<-03>3", 180, "-03", "", 0, {}, {}},
        {"IST-5:30", -330, "IST", "", 0, {}, {}},
        {"<+0330>-3:30", -210, "+0330", "", 0, {}, {}},
        {"<+0545>-5:45", -345, "+0545", "", 0, {}, {}},
        {"HST10", 600, "HST", "", 0, {}, {}},
        {"UTC0", 0, "UTC", "", 0, {}, {}},
        {"NZST-12NZDT,M9.5.0,M4.1.0/3", -720, "NZST", "NZDT", -60, Rule(9, 5, 0, 2),
         Rule(4, 1, 0, 3)},
        // Newfoundland: a half-hour standard offset.
        {"NST3:30NDT,M3.2.0,M11.1.0", 210, "NST", "NDT", -60, Rule(3, 2, 0, 2), Rule(11, 1, 0, 2)},
        // Troll: two hours of daylight saving, explicit daylight offset, times with minutes.
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

class TzifFooter : public ::testing::Test {
protected:
    static void Put32(std::string& out, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out += static_cast<char>((v >> shift) & 0xff);
        }
    }
    // A header and a data block with one transition, one type and "XYZ\0" as its names.
    static std::string Block(char version, int timeSize) {
        std::string out = "TZif";
        out += version;
        out += std::string(15, '\0');
        for (std::uint32_t count : {0u, 0u, 0u, 1u, 1u, 4u}) {
            Put32(out, count);
        }
        out += std::string(static_cast<std::size_t>(timeSize), '\x01'); // transition time
        out += '\0';                                                    // its type
        out += std::string("\0\0\x0e\x10\0\0", 6);                      // +1 h, std, name 0
        out += std::string("XYZ\0", 4);
        return out;
    }
    fs::path Write(const std::string& name, const std::string& bytes) {
        const fs::path path = m_tmp / name;
        test::WriteFileBytes(path, bytes);
        return path;
    }

    test::TempDir m_tmp;
    const fs::path m_dir = m_tmp.Path();
};

TEST_F(TzifFooter, ReadsTheLineAfterTheSecondBlock) {
    const std::string v2 = Block('2', 4) + Block('2', 8);
    EXPECT_EQ(ReadTzifFooter(Write("v2", v2 + "\nXYZ-1\n").string()), "XYZ-1");
    EXPECT_EQ(ReadTzifFooter(Write("empty", v2 + "\n\n").string()), "");
    EXPECT_EQ(ReadTzifFooter(Write("v1", Block('\0', 4)).string()), "");

    const char* const broken[] = {"", "TZi", "NOTATZIFFILE"};
    for (const char* bytes : broken) {
        EXPECT_FALSE(ReadTzifFooter(Write("broken", bytes).string()).has_value()) << bytes;
    }
    EXPECT_FALSE(ReadTzifFooter(Write("cut-v1", Block('2', 4).substr(0, 50)).string()));
    EXPECT_FALSE(ReadTzifFooter(Write("no-v2", Block('2', 4)).string()));
    EXPECT_FALSE(ReadTzifFooter(Write("cut-v2", v2.substr(0, v2.size() - 1)).string()));
    EXPECT_FALSE(ReadTzifFooter(Write("unterminated", v2 + "\nXYZ-1").string()));
    EXPECT_FALSE(ReadTzifFooter(Write("no-newline", v2 + "XYZ-1\n").string()));
    EXPECT_FALSE(ReadTzifFooter((m_dir / "missing").string()));
    EXPECT_FALSE(ReadTzifFooter(m_dir.string())); // a directory
}

TEST(PosixTz, EveryInstalledZoneFooterParses) {
    const fs::path root = "/usr/share/zoneinfo";
    int zones = 0;
    int convertible = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = fs::relative(entry.path(), root).string();
        if (!entry.is_regular_file() || rel.rfind("right/", 0) == 0) {
            continue;
        }
        const std::optional<std::string> footer = ReadTzifFooter(entry.path().string());
        if (!footer || footer->empty()) {
            continue; // zone.tab, leap-seconds.list and the like
        }
        ++zones;
        const std::optional<PosixTzRule> rule = ParsePosixTz(*footer);
        ASSERT_TRUE(rule.has_value()) << rel << ": " << *footer;
        TimeZoneInformation tzi;
        std::string why;
        convertible += ToTimeZoneInformation(*rule, tzi, why) ? 1 : 0;
    }
    EXPECT_GT(zones, 300);
    // Only a handful of zones use rules outside the record (Greenland, Ireland, Morocco...).
    EXPECT_GT(convertible, zones * 9 / 10);
    EXPECT_EQ(ReadTzifFooter((root / "Australia/Sydney").string()), "AEST-10AEDT,M10.1.0,M4.1.0/3");
}

} // namespace
} // namespace tarnwick
