// The clock's command line: switches are looked for only after the program path.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "startup/command_line.h"

using tarnwick::CommandLineSwitches;
using tarnwick::ParseCommandLine;

namespace {

struct Row {
    const char* name;
    std::vector<std::string> arguments;
    bool hide;
    bool minimize;
    std::string dataDirectory;
    std::size_t errors;
};

class CommandLineTable : public testing::TestWithParam<Row> {};

TEST_P(CommandLineTable, FindsTheSwitches) {
    const Row& row = GetParam();
    const CommandLineSwitches switches = ParseCommandLine(row.arguments);
    EXPECT_EQ(switches.hide, row.hide);
    EXPECT_EQ(switches.minimize, row.minimize);
    EXPECT_EQ(switches.dataDirectory, row.dataDirectory);
    EXPECT_EQ(switches.errors.size(), row.errors);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineTable,
    testing::Values(
        Row{"none", {}, false, false, "", 0}, Row{"slashHide", {"/hide"}, true, false, "", 0},
        Row{"slashMin", {"/min"}, false, true, "", 0},
        Row{"dashes", {"--hide", "--min"}, true, true, "", 0},
        // Found as substrings, as they always were.
        Row{"substring", {"x/hidey"}, true, false, "", 0},
        Row{"caseSensitive", {"/HIDE", "/Min"}, false, false, "", 0},
        // An option the clock does not know is refused rather than ignored.
        Row{"dashSubstringIsNotASwitch", {"--hidden"}, false, false, "", 1},
        Row{"unknownOptions", {"--verbose", "-x", "--min"}, false, true, "", 2},
        // Other words stay as harmless as they always were.
        Row{"plainWordIgnored", {"clock"}, false, false, "", 0},
        // A data directory is a path: "/home/ann/hideout/minutes" holds no switch.
        Row{"dataDirIsNotSearched",
            {"--data-dir", "/home/ann/hideout/minutes"},
            false,
            false,
            "/home/ann/hideout/minutes",
            0},
        Row{"dataDirEquals", {"--data-dir=/srv/clock", "/min"}, false, true, "/srv/clock", 0},
        Row{"dataDirMissing", {"--data-dir"}, false, false, "", 1},
        Row{"dataDirEmpty", {"--data-dir="}, false, false, "", 1},
        Row{"dirAsTheCliSpellsIt", {"--dir", "/tmp/min", "--hide"}, true, false, "/tmp/min", 0},
        Row{"dirEquals", {"--dir=/tmp/x"}, false, false, "/tmp/x", 0},
        Row{"dirMissing", {"/min", "--dir"}, false, true, "", 1},
        // Qt's own options are left to Qt, their values unsearched.
        Row{"qtOptions", {"-style=x", "-reverse", "--display", "y", "/min"}, false, true, "", 0},
        Row{"qtValuesSkipped", {"-session", "/hide", "-stylesheet", "/min"}, false, false, "", 0},
        Row{"qtOptionWithoutValue", {"/min", "-display"}, false, true, "", 1}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace

TEST(CommandLine, HelpAndVersionAreSwitchesAndTheUsageNamesEveryOption) {
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"-h"}).help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).version);
    EXPECT_TRUE(ParseCommandLine({"--version"}).errors.empty());
    EXPECT_FALSE(ParseCommandLine({"/hide"}).help);
    const std::string usage = tarnwick::ClockUsageText();
    for (const char* option : {"--hide", "/hide", "--min", "/min", "--edit-zones", "--dir",
                               "--data-dir", "--help", "--version", "-style", "-session"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
    const CommandLineSwitches unknown = ParseCommandLine({"--frobnicate"});
    ASSERT_EQ(unknown.errors.size(), 1u);
    EXPECT_EQ(unknown.errors[0], "unknown option --frobnicate (see tarnwick --help)");
}

TEST(CommandLine, StartAtLoginRepeatsTheDataDirectoryMadeAbsolute) {
    EXPECT_TRUE(tarnwick::LoginArguments(ParseCommandLine({"/min", "-style", "x"})).empty());
    EXPECT_EQ(tarnwick::LoginArguments(ParseCommandLine({"--dir", "clock/./data"})),
              (std::vector<std::string>{"--dir", std::filesystem::current_path() / "clock/data"}));
}

TEST(CommandLine, EditZonesOpensTheEditorAloneAndIsNoHideOrMinSwitch) {
    EXPECT_TRUE(ParseCommandLine({"--edit-zones"}).editZones);
    EXPECT_FALSE(ParseCommandLine({"/min"}).editZones);
    const CommandLineSwitches both = ParseCommandLine({"--edit-zones", "--dir", "/tmp/z"});
    EXPECT_TRUE(both.editZones);
    EXPECT_FALSE(both.minimize);
    EXPECT_EQ(both.dataDirectory, "/tmp/z");
}
