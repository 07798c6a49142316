// Which desktop tool "Select your computer's time zone" starts, and the PATH search.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include "platform/date_time_settings.h"
#include "support/case_tables.h"
#include "support/temp_dir.h"

namespace tarnwick {
namespace {

TEST(DateTimeSettings, FollowsTheDesktopAndWhatIsInstalled) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/date_time_tools.txt", 3)) {
        const std::vector<std::string> installed = c.Words(1);
        const auto isInstalled = [&](const std::string& name) {
            return std::find(installed.begin(), installed.end(), name) != installed.end();
        };
        const auto command = ChooseDateTimeSettingsCommand(c[0], isInstalled);
        std::string shown = "(none)";
        if (command) {
            shown = command->program;
            for (const std::string& argument : command->arguments) {
                shown += " " + argument;
            }
        }
        EXPECT_EQ(shown, c[2]) << c;
    }
}

TEST(DateTimeSettings, PathSearchFindsOnlyExecutableFiles) {
    test::TempDir dir;
    ::mkdir((dir / "bin").c_str(), 0755);
    test::WriteFileBytes(dir / "bin/tool", "#!/bin/sh\n");
    ::chmod((dir / "bin/tool").c_str(), 0755);
    test::WriteFileBytes(dir / "bin/plain", "text");
    ::chmod((dir / "bin/plain").c_str(), 0644);
    ::mkdir((dir / "bin/folder").c_str(), 0755);
    const std::string path = "relative:" + dir.Path() + "/none:" + dir.Path() + "/bin";
    EXPECT_TRUE(IsOnPath("tool", path));
    EXPECT_FALSE(IsOnPath("plain", path));
    EXPECT_FALSE(IsOnPath("folder", path));
    EXPECT_FALSE(IsOnPath("bin/tool", dir.Path()));
    EXPECT_FALSE(IsOnPath("tool", ""));
}

} // namespace
} // namespace tarnwick
