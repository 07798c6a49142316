// tarnwick-cli zones list, zones show and zone-time against real database files.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/case_tables.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/zones_seed.h"

namespace tarnwick {
namespace {

using test::CliResult;

class CliZonesTest : public ::testing::Test {
protected:
    // Runs tarnwick-cli on the test's data directory; args are split at blanks.
    CliResult Run(const std::string& args, const std::string& tz = "UTC") const {
        std::vector<std::string> argv{"--dir", dir};
        std::istringstream words(args);
        for (std::string word; words >> word;) {
            argv.push_back(word);
        }
        return test::RunCli(argv, {{"TZ", tz}});
    }

    void Seed() { ASSERT_EQ(test::SeedZones(dir, "zones/two_zones.sql"), ""); }

    test::TempDir tmp;
    const std::string dir = tmp.Path();
};

TEST_F(CliZonesTest, ListShowsTheEditorsItemsWithoutSeparators) {
    Seed();
    const CliResult r = Run("zones list");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "1\t(GMT-5:00) Eastern Time\n"
                     "1\t(GMT-5:00) New York\n"
                     "2\t(GMT+05:30) India Standard Time\n"
                     "2\t(GMT+05:30) Kolkata\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliZonesTest, ShowPrintsTheRowInSchemaOrder) {
    Seed();
    CliResult r = Run("zones show 1");
    EXPECT_EQ(r.exit, 0) << r.err;
    // One line a column; NULL columns (never written) print empty.
    EXPECT_EQ(r.out, test::ReadFileBytes(test::TestDataPath("zones/show_eastern.txt")));

    r = Run("zones show 99");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no zone with id 99 in " + dir + "/timezones.mdb"), std::string::npos);

    EXPECT_EQ(Run("zones show x1").exit, 2);
    EXPECT_EQ(Run("zones show").exit, 2);
    EXPECT_EQ(Run("zones").exit, 2);
}

// An unknown id (-1) shows the computer's zone, as the zone clock's tests show: here Ireland's
// winter time, GMT +0, which its rule counts as the negative saving.
TEST_F(CliZonesTest, ZoneTimeFollowsTheRowsRules) {
    Seed();
    struct Case {
        const char* args;
        const char* tz;
        const char* expected;
    } cases[] = {
        {"zone-time 1 --at=2026-07-01T16:00:00Z", "UTC",
         "EDT\t-240\t1\tWednesday, July 01, 2026  12:00:00 PM\n"},
        {"zone-time 2 --at 2026-01-15T00:00:00Z", "UTC",
         "IST\t330\t0\tThursday, January 15, 2026  05:30:00 AM\n"},
        {"zone-time -1 --at 2026-01-15T12:00:00Z", "Europe/Dublin",
         "GMT\t0\t1\tThursday, January 15, 2026  12:00:00 PM\n"},
    };
    for (const Case& c : cases) {
        const CliResult r = Run(c.args, c.tz);
        EXPECT_EQ(r.exit, 0) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, c.expected) << c.args;
    }
    EXPECT_EQ(Run("zone-time --at 2026-01-01T00:00:00Z").exit, 2);
    EXPECT_EQ(Run("zone-time 99999999999").exit, 2);
    // Blanks on either side, a '+' or trailing junk: no zone id (args split at blanks above).
    for (const char* id : {" 10", "10 ", "+10", "10x", "1e3", "-"}) {
        const CliResult r = test::RunCli({"--dir", dir, "zone-time", id});
        EXPECT_EQ(r.exit, 2) << "'" << id << "'";
        EXPECT_NE(r.err.find(std::string("'") + id + "' is not a zone id"), std::string::npos)
            << r.err;
    }
}

TEST_F(CliZonesTest, FirstStartCopiesTheShippedPresets) {
    const std::string shipped = test::ReadFileBytes(test::BuiltProgram("timezones.mdb"));
    ASSERT_FALSE(shipped.empty()) << "the build puts the preset database beside tarnwick-cli";
    const CliResult r = Run("zones list");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(test::ReadFileBytes(dir + "/timezones.mdb"), shipped);
    // Every preset is listed; their order is the zone list's (core/zone_list.cpp and above).
    EXPECT_GT(std::count(r.out.begin(), r.out.end(), '\n'), 200);
}

// A file that is no database is reported and kept; an empty file opens as a database without
// the zone table; a recursive view under the table's name is refused; a table of another shape
// fails the list's query. Every command that needs the zones says so and fails.
TEST_F(CliZonesTest, UnusableDatabaseFailsEveryZoneCommandAndIsKept) {
    const std::string path = dir + "/timezones.mdb";
    for (const test::CaseRow& c : test::ReadCaseTable("cli/unusable_zone_database.txt", 3)) {
        SCOPED_TRACE(c);
        std::filesystem::remove(path);
        const std::string& what = c[0];
        std::ofstream{path} << (what == "junk" ? "Standard Jet DB, or so it says" : "");
        if (what == "view" || what == "schema") {
            sqlite3* raw = nullptr;
            ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(raw,
                                   what == "view"
                                       ? "CREATE VIEW presetTimeZones AS WITH RECURSIVE r(n) AS "
                                         "(SELECT 1 UNION ALL SELECT n + 1 FROM r) SELECT n AS "
                                         "timeZoneID FROM r"
                                       : "CREATE TABLE presetTimeZones (timeZoneID INTEGER)",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
            sqlite3_close(raw);
        }
        const std::string before = test::ReadFileBytes(path);
        const CliResult r = Run(c[1]);
        EXPECT_EQ(r.exit, 1) << r.err;
        std::string message = c[2];
        if (const std::size_t at = message.find("{}"); at != std::string::npos) {
            message.replace(at, 2, path);
        }
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(test::ReadFileBytes(path), before);
    }
}

} // namespace
} // namespace tarnwick
