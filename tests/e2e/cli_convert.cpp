// tarnwick-cli convert against the shipped preset zones, from India's half-hour offset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace tarnwick {
namespace {

using test::CliResult;
using test::RunCli;

class CliConvert : public ::testing::Test {
protected:
    CliResult Convert(int otherZoneId, std::vector<std::string> args) {
        test::WriteFileBytes(m_dir / "ClockInfo.dat",
                             "[OTHERCOUNTRY]\nTIMEZONEID=" + std::to_string(otherZoneId) + "\n");
        args.insert(args.begin(), {"--dir", m_dir.Path(), "convert"});
        args.insert(args.end(), {"--at", "2026-01-15T12:00:00Z"}); // a Thursday, northern winter
        return RunCli(args, {{"TZ", "Asia/Kolkata"},
                             {"HOME", m_dir / "home"},
                             {"XDG_CONFIG_HOME", m_dir / "home"}});
    }
    test::TempDir m_dir;
};

constexpr int kNewfoundland = 26;  // NST, -3:30 in January
constexpr int kCentralEurope = 38; // CET, +1 in January

TEST_F(CliConvert, PrintsTheOtherSideAndTheNoteLine) {
    struct Row {
        int zone;
        std::vector<std::string> args;
        const char* expected;
    };
    const Row rows[] = {
        // +5:30 -> -3:30 is exactly 9 hours back, not 8; the week wraps.
        {kNewfoundland, {"sat", "23", "--reverse"}, "Sun 8am\n"},
        // +5:30 -> +1: four whole hours back and half an hour more.
        {kCentralEurope, {"Mon", "2am"}, "Sun 10pm\nOther Time is 30 minutes further behind\n"},
    };
    for (const Row& r : rows) {
        const CliResult result = Convert(r.zone, r.args);
        EXPECT_EQ(result.exit, 0) << result.err;
        EXPECT_EQ(result.out, r.expected) << r.args[0] << " " << r.args[1];
    }
}

TEST_F(CliConvert, RefusesWhatIsNoDayOrHour) {
    struct Row {
        std::vector<std::string> args;
        const char* message;
    };
    const Row rows[] = {
        {{"Xyz", "8pm"}, "'Xyz' is not a day"},
        {{"Wed", "24"}, "'24' is not an hour"},
        {{"Wed"}, "wants a day"},
    };
    for (const Row& r : rows) {
        const CliResult result = Convert(kNewfoundland, r.args);
        EXPECT_EQ(result.exit, 2) << r.message;
        EXPECT_EQ(result.out, "");
        EXPECT_PRED_FORMAT2(testing::IsSubstring, r.message, result.err);
    }
}

} // namespace
} // namespace tarnwick
