#include "platform/paths.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "platform/xdg_run_at_login.h"
#include "support/case_tables.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace tarnwick {
namespace {

using test::ReadFileBytes;
using test::ScopedEnv;
using test::TempDir;

TEST(Paths, TildeInDirectoryOrFileNameIsRefused) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/program_paths.txt", 3)) {
        std::string message;
        EXPECT_EQ(IsRefusedProgramPath(c[0], message), !c[1].empty()) << c;
        EXPECT_EQ(message, c[1].empty()
                               ? ""
                               : "Please run this program as intended.  The zero arguement of "
                                 "this program can not contain a tilda in the following fields "
                                 "directory:" +
                                     c[1] + " filename: " + c[2] + "   Thank you.")
            << c;
    }
}

TEST(Paths, ExecutablePathIsTheRealPathOfThisProgram) {
    const std::string path = ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(std::filesystem::path(path).filename(), "core_paths");
    EXPECT_EQ(ExecutableDirectory(), std::filesystem::path(path).parent_path().string());
}

TEST(Paths, InstalledCopyUsesTheUsersDirectoriesAndFindsItsPresets) {
    // PREFIX/bin beside PREFIX/share/tarnwick/timezones.mdb: an installed copy, even in a
    // prefix the user may write to (without the shared presets it would be portable, below).
    TempDir prefix;
    std::filesystem::create_directories(prefix / "bin");
    std::filesystem::create_directories(prefix / "share/tarnwick");
    test::WriteFileBytes(prefix / "share/tarnwick/timezones.mdb", "");
    EXPECT_EQ(InstalledDataDirectoryFor(prefix / "bin/"), prefix / "share/tarnwick");
    ScopedEnv config("XDG_CONFIG_HOME", prefix / "home/config");
    ScopedEnv data("XDG_DATA_HOME", prefix / "home/data");
    const DataPaths paths = DefaultDataPathsFor(prefix / "bin");
    EXPECT_EQ(paths.settingsDirectory, prefix / "home/config/tarnwick");
    EXPECT_EQ(paths.dataDirectory, prefix / "home/data/tarnwick");
}

TEST(Paths, WritableOrChosenDirectoryHoldsEverything) {
    TempDir dir;
    const DataPaths paths = DefaultDataPathsFor(dir.Path() + "/");
    EXPECT_EQ(paths.settingsDirectory, dir.Path());
    EXPECT_EQ(paths.dataDirectory, dir.Path());
    const DataPaths chosen = DataPathsIn(dir / "a/b/c/");
    EXPECT_EQ(chosen.settingsDirectory, dir / "a/b/c");
    EXPECT_EQ(chosen.dataDirectory, dir / "a/b/c");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
}

TEST(Paths, OtherwiseTheXdgDirectoriesAreUsedAndCreated) {
    TempDir dir;
    const std::string home = dir / "home";
    ScopedEnv homeVar("HOME", home);
    const std::string unusable = dir / "not-there/bin"; // access() fails even for root
    {
        ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
        ScopedEnv data("XDG_DATA_HOME", std::nullopt);
        const DataPaths paths = DefaultDataPathsFor(unusable);
        EXPECT_EQ(paths.settingsDirectory, home + "/.config/tarnwick");
        EXPECT_EQ(paths.dataDirectory, home + "/.local/share/tarnwick");
        EXPECT_TRUE(std::filesystem::is_directory(paths.settingsDirectory));
        EXPECT_TRUE(std::filesystem::is_directory(paths.dataDirectory));
        // System program directories never count as portable, even for root.
        EXPECT_EQ(DefaultDataPathsFor("/usr/bin").settingsDirectory, home + "/.config/tarnwick");
    }
    {
        ScopedEnv config("XDG_CONFIG_HOME", dir / "cfg/");
        ScopedEnv data("XDG_DATA_HOME", dir / "share");
        const DataPaths paths = DefaultDataPathsFor(unusable);
        EXPECT_EQ(paths.settingsDirectory, dir / "cfg/tarnwick");
        EXPECT_EQ(paths.dataDirectory, dir / "share/tarnwick");
        EXPECT_TRUE(std::filesystem::is_directory(paths.dataDirectory));
    }
    {
        // Relative values are not allowed by the XDG rules and are ignored.
        ScopedEnv config("XDG_CONFIG_HOME", "relative/cfg");
        EXPECT_EQ(XdgConfigHome(), home + "/.config");
    }
}

TEST(XdgRunAtLogin, ExecLineQuotesAndEscapesThePath) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/exec_arguments.txt", 2)) {
        EXPECT_EQ(XdgRunAtLogin::ExecArgument(c[0]), c[1]) << c;
    }
}

TEST(XdgRunAtLogin, EntryIsHiddenNotDeletedWhenTurnedOff) {
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir / "cfg");
    XdgRunAtLogin runAtLogin;
    const std::string entry = dir / "cfg/autostart/tarnwick.desktop";
    EXPECT_EQ(runAtLogin.EntryPath("Tarnwick"), entry);

    // Turned off, the entry is kept and marked hidden.
    for (const bool enabled : {true, false}) {
        ASSERT_TRUE(runAtLogin.WriteRunValue("Tarnwick", enabled, "/opt/my clock/tarnwick"))
            << runAtLogin.LastError();
        EXPECT_EQ(ReadFileBytes(entry),
                  ReadFileBytes(test::TestDataPath(enabled ? "settings/autostart_on.desktop"
                                                           : "settings/autostart_off.desktop")));
    }
}

TEST(XdgRunAtLogin, FailureIsReportedWithThePath) {
    TempDir dir;
    test::WriteFileBytes(dir / "file", "not a directory");
    XdgRunAtLogin runAtLogin(dir / "file/autostart");
    EXPECT_FALSE(runAtLogin.WriteRunValue("Tarnwick", true, "/opt/tarnwick/tarnwick"));
    EXPECT_PRED_FORMAT2(testing::IsSubstring, dir / "file", runAtLogin.LastError());

    XdgRunAtLogin elsewhere(dir / "autostart");
    EXPECT_FALSE(elsewhere.WriteRunValue("Tarnwick", true, "/opt/bad\npath/tarnwick"));
    EXPECT_FALSE(std::filesystem::exists(dir / "autostart/tarnwick.desktop"));
}

} // namespace
} // namespace tarnwick
