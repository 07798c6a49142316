// What the window does at start and at close, for every run mode and switch, with and
// without a notification area.
#include <gtest/gtest.h>

#include "settings/clock_settings.h"
#include "startup/run_mode.h"

namespace tarnwick {
namespace {

struct Row {
    const char* name;
    int runOption;
    bool hide;
    bool minimize;
    bool trayAvailable;
    WindowAction atStart;
    WindowAction atClose;
    bool trayMissing; // the same at start and at close in every row below
};

class RunModeTable : public testing::TestWithParam<Row> {};

TEST_P(RunModeTable, FirstMatchWins) {
    const Row& row = GetParam();
    CommandLineSwitches switches;
    switches.hide = row.hide;
    switches.minimize = row.minimize;
    const RunModeDecision start = RunModeAtStart(row.runOption, switches, row.trayAvailable);
    const RunModeDecision close = RunModeAtClose(row.runOption, switches, row.trayAvailable);
    EXPECT_EQ(start.action, row.atStart);
    EXPECT_EQ(close.action, row.atClose);
    EXPECT_EQ(start.trayMissing, row.trayMissing);
    EXPECT_EQ(close.trayMissing, row.trayMissing);
}

using A = WindowAction;
INSTANTIATE_TEST_SUITE_P(
    RunMode, RunModeTable,
    testing::Values(
        Row{"normal", kRunNormal, false, false, true, A::ShowNormally, A::EndProgram, false},
        Row{"minimized", kRunMinimized, false, false, true, A::Minimize, A::Minimize, false},
        Row{"hidden", kRunHidden, false, false, true, A::HideToTray, A::HideToTray, false},
        // Any other value is normal.
        Row{"unknown", 1234, false, false, true, A::ShowNormally, A::EndProgram, false},
        Row{"zero", 0, false, false, true, A::ShowNormally, A::EndProgram, false},
        // "/hide" hides at start and at close whatever the mode.
        Row{"hideSwitchNormal", kRunNormal, true, false, true, A::HideToTray, A::HideToTray, false},
        Row{"hideSwitchMinimized", kRunMinimized, true, false, true, A::HideToTray, A::HideToTray,
            false},
        // "/min" only decides the start; closing then ends the program.
        Row{"minSwitchNormal", kRunNormal, false, true, true, A::Minimize, A::EndProgram, false},
        Row{"minSwitchHidden", kRunHidden, false, true, true, A::Minimize, A::HideToTray, false},
        Row{"bothSwitchesHideWins", kRunNormal, true, true, true, A::HideToTray, A::HideToTray,
            false},
        // No notification area: hiding becomes minimising, and says so.
        Row{"hiddenWithoutTray", kRunHidden, false, false, false, A::Minimize, A::Minimize, true},
        Row{"hideSwitchWithoutTray", kRunNormal, true, false, false, A::Minimize, A::Minimize,
            true},
        Row{"normalWithoutTray", kRunNormal, false, false, false, A::ShowNormally, A::EndProgram,
            false},
        Row{"minimizedWithoutTray", kRunMinimized, false, false, false, A::Minimize, A::Minimize,
            false}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

TEST(RunMode, MinSwitchWithHiddenModeWithoutTrayStartsMinimisedWithoutComplaint) {
    CommandLineSwitches switches;
    switches.minimize = true;
    const RunModeDecision start = RunModeAtStart(kRunHidden, switches, false);
    EXPECT_EQ(start.action, WindowAction::Minimize);
    EXPECT_FALSE(start.trayMissing); // "/min" asked for minimised; nothing was lost
    EXPECT_TRUE(RunModeAtClose(kRunHidden, switches, false).trayMissing);
}

} // namespace
} // namespace tarnwick
