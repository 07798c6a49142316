// The shipped preset zones: every row is the rule it was made from (named in the seed above
// it), and the clock on it agrees with the C library following that rule; the generator groups
// zones by rule, leaves out what the columns cannot express, and the seed builds into a
// database. Nothing here depends on today's date or on the machine's time-zone database.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "platform/clock.h"
#include "platform/library_zone.h"
#include "platform/message_box.h"
#include "platform/posix_tz.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "tools/preset_zones.h"
#include "zones/zone_clock.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The seed's rows by id, each with the rule in the comment line above it.
std::map<int, std::string> SeedRules(const std::string& seedPath) {
    std::ifstream in(seedPath);
    std::map<int, std::string> rules;
    std::string rule;
    for (std::string line; std::getline(in, line);) {
        const std::size_t values = line.find(" VALUES (");
        if (line.rfind("-- ", 0) == 0) {
            rule = line.substr(3);
        } else if (values != std::string::npos) {
            rules[std::stoi(line.substr(values + 9))] = rule;
        }
    }
    return rules;
}

TEST(Presets, EveryShippedRowIsItsRuleAndTheClockFollowsItAsTheCLibraryDoes) {
    const std::map<int, std::string> rules =
        SeedRules(Env("TARNWICK_SOURCE_DIR") + "/res/presets.sql");
    ASSERT_GE(rules.size(), 60u) << "the presets should cover the world";
    RecordingMessageBox messages;
    FixedClock clock(0);
    FixedLocalZone utc(0, "UTC");
    CZoneClock zone(clock, utc);
    ASSERT_TRUE(zone.ConnectDatabase(Env("TARNWICK_BIN_DIR"), messages))
        << "build the tarnwick_presets target first";
    for (const auto& [id, rule] : rules) {
        SCOPED_TRACE("row " + std::to_string(id) + ": " + rule);
        ASSERT_TRUE(zone.LoadZone(id));
        const CZoneRecord& row = zone.GetRecord();
        ASSERT_EQ(row.timeZoneID, id);
        EXPECT_LE(row.name.size(), 255u);
        EXPECT_LE(row.cities.size(), 100u);
        TimeZoneInformation tzi;
        std::string why;
        ASSERT_TRUE(ToTimeZoneInformation(ParsePosixTz(rule).value(), tzi, why)) << why;
        CZoneRecord converted;
        FillRecordFromColumns(id, ColumnsFromTimeZoneInformation(tzi), converted);
        EXPECT_EQ(row.tzi, converted.tzi);

        // Mid-January, mid-July, and a minute before, at and after each change, in two years
        // whose weekdays fall differently.
        const LibraryZone library(rule);
        for (const int year : {2026, 2031}) {
            std::vector<std::int64_t> instants = {DateTime(year, 1, 15, 12, 0, 0).ToUnixSeconds(),
                                                  DateTime(year, 7, 15, 12, 0, 0).ToUnixSeconds()};
            for (const std::int64_t t : LibraryTransitions(library, year)) {
                instants.insert(instants.end(), {t - 60, t, t + 60});
            }
            for (const std::int64_t t : instants) {
                clock.Set(t);
                const DateTime shown = zone.GetZoneTime();
                const LocalInstant expected = library.At(t);
                const std::string at = DateTime::FromUnixSeconds(t).Format("%Y-%m-%d %H:%M:%S");
                EXPECT_EQ(zone.GetOffsetMinutes(), expected.offsetMinutes) << at;
                EXPECT_EQ(zone.IsDstNow(), expected.isDst) << at;
                EXPECT_EQ(zone.GetAbbreviation(), expected.abbreviation) << at;
                EXPECT_EQ(shown, DateTime::FromUnixSeconds(t + 60 * expected.offsetMinutes)) << at;
            }
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

// A made-up zoneinfo folder: zone.tab and TZif files with the rules these zones had in 2026.
class PresetGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A footer's rule is what the C library follows after the file's one transition (1970).
        const std::string blocks =
            test::ReadFileBytes(test::TestDataPath("zones/xyz_no_footer.tzif"));
        std::ofstream tab(dir + "/zone.tab");
        tab << "# code\tcoordinates\tTZ\n";
        const std::pair<const char*, const char*> zones[] = {
            {"Europe/Paris", "CET-1CEST,M3.5.0,M10.5.0/3"},
            {"Africa/Cairo", "EET-2EEST,M4.5.5/0,M10.5.4/24"},
            {"Asia/Kolkata", "IST-5:30"},
            {"Europe/Berlin", "CET-1CEST,M3.5.0,M10.5.0/3"},
            {"America/St_Johns", "NST3:30NDT,M3.2.0,M11.1.0"},
            {"Europe/Nowhere", nullptr}};
        for (const auto& [zone, rule] : zones) {
            tab << "XX\t+0000+00000\t" << zone << "\n";
            const std::filesystem::path to = dir + "/" + zone;
            std::filesystem::create_directories(to.parent_path());
            if (rule != nullptr) {
                test::WriteFileBytes(to, blocks + "\n" + rule + "\n");
            }
        }
    }
    test::TempDir tmp;
    const std::string dir = tmp.Path();
};

TEST_F(PresetGeneratorTest, GroupsZonesByRuleAndListsWhatItLeavesOut) {
    PresetGeneration generation;
    std::string error;
    ASSERT_TRUE(GeneratePresets(dir, 2026, generation, error)) << error;
    EXPECT_EQ(generation.rows, 3);
    ASSERT_EQ(generation.excluded.size(), 2u);
    EXPECT_EQ(generation.excluded[0], "Africa/Cairo (EET-2EEST,M4.5.5/0,M10.5.4/24): the end of "
                                      "daylight time falls at an hour outside 0 to 23");
    EXPECT_EQ(generation.excluded[1].rfind("Europe/Nowhere: ", 0), 0u);

    // Ordered by G.M.T. offset; Paris and Berlin share one row.
    EXPECT_EQ(generation.sql,
              test::ReadFileBytes(test::TestDataPath("zones/presets_generated.sql")));
}

TEST_F(PresetGeneratorTest, AFailingSeedLeavesThePreviousDatabaseInPlace) {
    const std::string out = dir + "/timezones.mdb";
    std::ofstream(out) << "previous build";
    const std::string seed = dir + "/bad.sql";
    std::ofstream(seed) << "-- comment\nINSERT INTO presetTimeZones  (m_TimeZoneName,m_GMTBiasHour,"
                           "m_GMTBiasMinute,m_DSTUse) VALUES (\"A\",1,0,0) ;\n"
                           "INSERT INTO nowhere (a) VALUES (1) ;\n";
    RecordingMessageBox messages;
    std::string error;
    EXPECT_FALSE(BuildPresetDatabase(seed, out, messages, error));
    EXPECT_EQ(error, seed + ":3: the statement failed");
    EXPECT_EQ(test::ReadFileBytes(out), "previous build");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "no such table: nowhere", messages.shown[0].text);
}

} // namespace
} // namespace tarnwick
