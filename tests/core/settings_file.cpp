#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/run_at_login.h"
#include "settings/clock_settings.h"
#include "settings/profile_file.h"
#include "support/case_tables.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace tarnwick {
namespace {

using test::ModeOf;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// A flag is a number read the same way, but from 0 rather than from what it held.
TEST(SettingsFile, ReadIntParsesLikePercentDAndReadBoolFromZero) {
    TempDir dir;
    const std::string path = dir / "s.dat";
    CSettingsFile file;
    for (const test::CaseRow& c : test::ReadCaseTable("settings/settings_numbers.txt", 3)) {
        WriteFileBytes(path, "[O]\nN=" + c[0] + "\n");
        int out = 77;
        EXPECT_TRUE(file.ReadInt(path, "O", "N", out, 1));
        EXPECT_EQ(out, c.Int(1)) << c;
        bool flag = true;
        file.ReadBool(path, "O", "N", flag, true);
        EXPECT_EQ(flag, c.Flag(2)) << c;
    }
}

TEST(SettingsFile, ReadWritesTheDefaultOfAMissingKeyAndLeavesPresentOnesAlone) {
    TempDir dir;
    const std::string path = dir / "s.dat";
    CSettingsFile file;
    std::string s;
    int i = 0;
    bool b = false;
    double d = 0;
    file.ReadString(path, "S", "TEXT", s, "hello");
    file.ReadInt(path, "S", "INT", i, -3);
    file.ReadBool(path, "S", "FLAG", b, true);
    file.ReadDouble(path, "S", "DOUBLE", d, 0.25);
    file.ReadString(path, "S", "EMPTY", s, "");
    EXPECT_EQ(ReadFileBytes(path), "[S]\nTEXT=hello\nINT=-3\nFLAG=1\nDOUBLE=0.250000\nEMPTY=\n");
    EXPECT_EQ(i, -3);
    EXPECT_TRUE(b);
    EXPECT_DOUBLE_EQ(d, 0.25);

    // A present key is not rewritten: quotes and a value longer than a read stay in the file.
    const std::string stored = "[S]\r\nQ = \"a, b\" \r\nLONG=" + std::string(1500, 'x') + "\r\n";
    WriteFileBytes(path, stored);
    file.ReadString(path, "S", "Q", s, "d");
    EXPECT_EQ(s, "a, b");
    file.ReadString(path, "S", "LONG", s, "d");
    EXPECT_EQ(s.size(), kMaxProfileValueLength);
    EXPECT_EQ(ReadFileBytes(path), stored);
    EXPECT_TRUE(file.LastError().empty());
}

// Each call as "name on|off program".
class RecordingRunAtLogin final : public IRunAtLogin {
public:
    bool WriteRunValue(const std::string& name, bool enabled, const std::string& path) override {
        calls.push_back(name + (enabled ? " on " : " off ") + path);
        return true;
    }
    std::vector<std::string> calls;
};

TEST(LoadSettings, NewFileGetsEveryDefaultInThreeSections) {
    TempDir dir;
    ClockSettings settings;
    RecordingRunAtLogin runAtLogin;
    std::string writeError = "stale";
    const std::string path = LoadSettings(dir.Path(), settings, &runAtLogin, &writeError);
    EXPECT_EQ(path, dir / "ClockInfo.dat");
    EXPECT_EQ(writeError, "");

    // The file a first start writes, as the program has always written it.
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(test::TestDataPath("settings/new_file.dat")));
    EXPECT_EQ(runAtLogin.calls, std::vector<std::string>{"Tarnwick on " + ExecutablePath()});
}

TEST(LoadSettings, ReadsAWindowsFileAndKeepsUnparsableNumbers) {
    TempDir dir;
    const std::string path = dir / "ClockInfo.dat";
    WriteFileBytes(path, "[OTHERCOUNTRY]\r\nCountryName=Z\xFCrich\r\nTIMEZONEID=42\r\n\r\n"
                         "[OPTIONS]\r\nCHECKTIMEHOURINTERVAL=abc\r\nLOGINSTARTUP=0\r\n"
                         "CLOCKBLUELCD=7\r\nRUNOPTION= 1058 \r\n");
    ClockSettings settings;
    settings.checkTimeHourInterval = 5; // as it was before the load
    RecordingRunAtLogin runAtLogin;
    LoadSettings(dir.Path(), settings, &runAtLogin);
    EXPECT_EQ(settings.otherCountryName, "Z\xFCrich");
    EXPECT_EQ(settings.timeZoneId, 42);
    EXPECT_EQ(settings.checkTimeHourInterval, 5);
    EXPECT_FALSE(settings.loginStartup);
    EXPECT_TRUE(settings.clockBlueLcd);
    EXPECT_EQ(settings.runOption, kRunHidden);
    EXPECT_EQ(settings.checkTimeMarginOfError, 1);
    EXPECT_EQ(runAtLogin.calls, std::vector<std::string>{"Tarnwick off " + ExecutablePath()});
    const std::string after = ReadFileBytes(path);
    EXPECT_NE(after.find("\r\nCHECKTIMEHOURINTERVAL=abc\r\n"), std::string::npos);
    // Every line the load added ends in CR LF like the rest.
    for (std::size_t i = after.find('\n'); i != std::string::npos; i = after.find('\n', i + 1)) {
        ASSERT_EQ(after[i - 1], '\r') << "bare LF at byte " << i;
    }
}

TEST(LoadSettings, ReadOnlyFileKeepsItsModeAndIsWrittenOnlyWhenAKeyIsMissing) {
    TempDir dir;
    const std::string path = dir / "ClockInfo.dat";
    WriteFileBytes(path, "[OPTIONS]\nRUNOPTION=1057\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ClockSettings settings;
    std::string writeError;
    LoadSettings(dir.Path(), settings, nullptr, &writeError);
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_NE(writeError.find("read-only (mode 0444)"), std::string::npos) << writeError;
    EXPECT_EQ(settings.runOption, kRunMinimized);
    EXPECT_EQ(ReadFileBytes(path), "[OPTIONS]\nRUNOPTION=1057\n");

    // Complete and protected: read, not written, no complaint.
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    LoadSettings(dir.Path(), settings, nullptr, &writeError);
    ASSERT_EQ(writeError, "");
    const std::string complete = ReadFileBytes(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    settings = ClockSettings{};
    LoadSettings(dir.Path(), settings, nullptr, &writeError);
    EXPECT_EQ(writeError, "");
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_EQ(ReadFileBytes(path), complete);
    EXPECT_EQ(settings.runOption, kRunMinimized);
}

// A file with NUL bytes is no settings file: the defaults, and the file left as it is.
TEST(LoadSettings, AFileThatCannotBeUsedGivesTheDefaultsAndIsLeftAlone) {
    TempDir dir;
    const std::string binary("[OPTIONS]\nRUNOPTION=1057\n\0", 26);
    WriteFileBytes(dir / "ClockInfo.dat", binary);
    ClockSettings settings;
    std::string writeError;
    std::string readError;
    LoadSettings(dir.Path(), settings, nullptr, &writeError, &readError);
    EXPECT_EQ(settings.runOption, kRunNormal);
    EXPECT_NE(readError.find(dir / "ClockInfo.dat cannot be used (it holds NUL bytes)"),
              std::string::npos)
        << readError;
    EXPECT_EQ(writeError, "");
    EXPECT_EQ(ReadFileBytes(dir / "ClockInfo.dat"), binary);
}

} // namespace
} // namespace tarnwick
