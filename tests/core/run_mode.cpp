// What the window does at start and at close, for every run mode and switch, with and
// without a notification area.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "settings/clock_settings.h"
#include "startup/run_mode.h"
#include "support/case_tables.h"

namespace tarnwick {
namespace {

TEST(RunMode, FirstMatchWins) {
    const auto action = [](const std::string& name) {
        const char* names[] = {"ShowNormally", "Minimize", "HideToTray", "EndProgram"};
        return static_cast<WindowAction>(std::find(std::begin(names), std::end(names), name) -
                                         std::begin(names));
    };
    for (const test::CaseRow& c : test::ReadCaseTable("settings/run_modes.txt", 9)) {
        CommandLineSwitches switches;
        switches.hide = c.Flag(2);
        switches.minimize = c.Flag(3);
        const RunModeDecision start = RunModeAtStart(c.Int(1), switches, c.Flag(4));
        const RunModeDecision close = RunModeAtClose(c.Int(1), switches, c.Flag(4));
        EXPECT_EQ(start.action, action(c[5])) << c;
        EXPECT_EQ(close.action, action(c[6])) << c;
        EXPECT_EQ(start.trayMissing, c.Flag(7)) << c;
        EXPECT_EQ(close.trayMissing, c.Flag(8)) << c;
    }
}

} // namespace
} // namespace tarnwick
