// The clock's command line: switches are looked for only after the program path.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "startup/command_line.h"
#include "support/settings_cases.h"

using tarnwick::CommandLineSwitches;
using tarnwick::ParseCommandLine;

TEST(CommandLine, FindsTheSwitches) {
    for (const tarnwick::test::CaseRow& c : tarnwick::test::ReadCaseTable("command_lines.txt", 6)) {
        const CommandLineSwitches switches = ParseCommandLine(c.Words(1));
        EXPECT_EQ(switches.hide, c.Flag(2)) << c;
        EXPECT_EQ(switches.minimize, c.Flag(3)) << c;
        EXPECT_EQ(switches.dataDirectory, c[4]) << c;
        EXPECT_EQ(switches.errors.size(), static_cast<std::size_t>(c.Int(5))) << c;
    }
}

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
