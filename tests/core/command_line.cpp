// The clock's command line: switches are looked for only after the program path.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "startup/command_line.h"
#include "support/case_tables.h"

using tarnwick::CommandLineSwitches;
using tarnwick::ParseCommandLine;

TEST(CommandLine, FindsTheSwitchesAndTheUsageNamesEveryOption) {
    for (const tarnwick::test::CaseRow& c :
         tarnwick::test::ReadCaseTable("settings/command_lines.txt", 5)) {
        const CommandLineSwitches s = ParseCommandLine(c.Words(1));
        const std::pair<bool, const char*> flags[] = {{s.hide, "hide"},
                                                      {s.minimize, "min"},
                                                      {s.help, "help"},
                                                      {s.version, "version"},
                                                      {s.editZones, "edit-zones"}};
        std::string found;
        for (const auto& [on, name] : flags) {
            found += on ? std::string(found.empty() ? "" : " ") + name : "";
        }
        EXPECT_EQ(found, c[2]) << c;
        EXPECT_EQ(s.dataDirectory, c[3]) << c;
        EXPECT_EQ(s.errors.size(), static_cast<std::size_t>(c.Int(4))) << c;
    }
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
