// tarnwick-cli local and display, run as separate processes under chosen zones (the zones
// themselves are local_zone.cpp's).
#include <gtest/gtest.h>

#include <string>

#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace tarnwick {
namespace {

using test::CliResult;
using test::RunCli;

CliResult Local(const std::string& zone, const std::string& at) {
    return RunCli({"local", "--at", at}, {{"TZ", zone}});
}

// How each offset is written (a half hour as +5.50) is display_text.cpp's.
TEST(CliLocal, ReportsTheOffsetDaylightTimeAndBothClocks) {
    // Sydney: AEDT (+11) from 2025-10-05 to 2026-04-05.
    const CliResult r = Local("Australia/Sydney", "2026-01-15T00:00:00Z");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "AEDT (+11)\n660\nThursday, January 15, 2026  11:00:00 AM\n"
                     "Thursday, January 15, 2026  12:00:00 AM\n");
}

TEST(CliLocal, RefusesAMalformedInstant) {
    for (const char* at :
         {"2026-13-01T00:00:00Z", "2026-01-15 00:00:00", "yesterday", "2026-02-30T00:00:00Z",
          "2026-01-15T00:00:00", "2026-+7-15T12:00:00Z", "2026-07-15T 1:00:00Z",
          " 2026-07-15T12:00:00Z", "2026-07-15T12:00:-1Z", "2026-07-15T12:00:00Zx"}) {
        const CliResult r = Local("UTC", at);
        EXPECT_EQ(r.exit, 2) << at;
        EXPECT_EQ(r.out, "") << at;
        EXPECT_PRED_FORMAT2(testing::IsSubstring, "YYYY-MM-DDTHH:MM:SSZ", r.err) << at;
    }
}

class CliDisplay : public ::testing::Test {
protected:
    CliResult Display(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", m_dir.Path(), "display"});
        return RunCli(args, {{"TZ", "Asia/Kolkata"},
                             {"HOME", m_dir / "home"},
                             {"XDG_CONFIG_HOME", m_dir / "home"}});
    }
    test::TempDir m_dir;
};

TEST_F(CliDisplay, PrintsTheWindowTextWithCrLf) {
    const CliResult r = Display({"--at", "2026-12-05T04:10:54Z", "--status", "2", "--server",
                                 "time-a-g.nist.gov", "--difference", "93784"});
    ASSERT_EQ(r.exit, 0) << r.err;
    // No zone chosen yet: the other clock is the computer's zone under the fallback name.
    EXPECT_EQ(r.out, test::ReadFileBytes(test::TestDataPath("zones/display_cli.txt")));
}

// How a number is written is checked with zone ids (cli_zones.cpp): the same parser.
TEST_F(CliDisplay, RefusesBadOptions) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--status", "two"},
                                               {"--difference", "1.5"},
                                               {"--status"},
                                               {"extra"},
                                               {"--status", "4"},
                                               {"--status", "-1"}}) {
        const CliResult r = Display(args);
        EXPECT_EQ(r.exit, 2) << args.front();
        EXPECT_EQ(r.out, "");
        EXPECT_PRED_FORMAT2(testing::IsSubstring, "tarnwick-cli display:", r.err) << args.front();
    }
}

} // namespace
} // namespace tarnwick
