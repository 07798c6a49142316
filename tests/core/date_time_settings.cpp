// Which desktop tool "Select your computer's time zone" starts, and the PATH search.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>

#include "platform/date_time_settings.h"
#include "support/temp_dir.h"

namespace tarnwick {
namespace {

TEST(DateTimeSettings, FollowsTheDesktopAndWhatIsInstalled) {
    struct Row {
        const char* desktop;
        std::set<std::string> installed;
        std::optional<LaunchCommand> expected;
    };
    const LaunchCommand gnome{"gnome-control-center", {"datetime"}};
    const LaunchCommand kde{"systemsettings", {"kcm_clock"}};
    const LaunchCommand cinnamon{"cinnamon-settings", {"calendar"}};
    const Row rows[] = {
        {"GNOME", {"gnome-control-center", "systemsettings"}, gnome},
        {"ubuntu:GNOME", {"gnome-control-center"}, gnome},
        {"KDE", {"gnome-control-center", "systemsettings"}, kde},
        {"KDE", {"kcmshell5"}, LaunchCommand{"kcmshell5", {"kcm_clock"}}},
        {"X-Cinnamon", {"cinnamon-settings", "gnome-control-center"}, cinnamon},
        {"MATE", {"mate-time-admin"}, LaunchCommand{"mate-time-admin", {}}},
        {"LXQt", {"lxqt-admin-time"}, LaunchCommand{"lxqt-admin-time", {}}},
        // The desktop's own tool is missing, or no desktop is named: any installed tool.
        {"XFCE", {"gnome-control-center"}, gnome},
        {"", {"systemsettings"}, kde},
        {"KDE", {}, std::nullopt},
        {"", {"firefox"}, std::nullopt},
    };
    for (const Row& r : rows) {
        const auto installed = [&](const std::string& name) { return r.installed.count(name) > 0; };
        EXPECT_EQ(ChooseDateTimeSettingsCommand(r.desktop, installed), r.expected) << r.desktop;
    }
}

TEST(DateTimeSettings, NoToolMessageNamesTimedatectl) {
    EXPECT_NE(std::string(kNoDateTimeSettingsMessage).find("timedatectl set-timezone ZONE"),
              std::string::npos);
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
