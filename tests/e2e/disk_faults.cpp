// Saving on a full disk, a read-only file system and in a folder the user may not write: the
// write fails, the old contents stay, and the message names the cause. Run by
// with_small_disks.sh, which provides the small file systems; elsewhere these tests skip.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/message_box.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "support/zones_seed.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick {
namespace {

using test::CliResult;
using test::FillDisk;
namespace fs = std::filesystem;

std::string EnvDir(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

#define REQUIRE_DIR(variable, name)                                                                \
    const std::string variable = EnvDir(name);                                                     \
    if (variable.empty()) {                                                                        \
        GTEST_SKIP() << name << " is not set: run through tests/with_small_disks.sh";              \
    }

long CountZones(const std::string& directory) {
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    if (!test::ConnectZones(db, directory) || !db.Query("SELECT * FROM presetTimeZones")) {
        return -1;
    }
    long rows = 0;
    while (db.NextRecord()) {
        ++rows;
    }
    return rows;
}

std::string InsertStatement(const std::string& name) {
    return "INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute,m_DSTUse) "
           "VALUES (\"" +
           name + "\",\"1\",\"0\",\"0\")";
}

CliResult Cli(const std::string& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--dir", dir});
    return test::RunCli(args);
}

TEST(FullDisk, SettingsWriteSaysTheDiskIsFullAndKeepsTheOldFile) {
    REQUIRE_DIR(full, "TARNWICK_FULL_DIR");
    const std::string dir = full + "/settings";
    fs::create_directory(dir);
    ASSERT_EQ(Cli(dir, {"settings", "set", "OTHERCOUNTRY", "COUNTRYNAME", "Before"}).exit, 0);
    const std::string before = test::ReadFileBytes(dir + "/ClockInfo.dat");
    ASSERT_TRUE(FillDisk(full + "/filler"));

    const CliResult r =
        Cli(dir, {"settings", "set", "OTHERCOUNTRY", "COUNTRYNAME", std::string(1000, 'x')});
    EXPECT_EQ(r.exit, 1);
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        "cannot write " + dir +
                            "/ClockInfo.dat: the disk is full (No space left on device)",
                        r.err);
    EXPECT_EQ(test::ReadFileBytes(dir + "/ClockInfo.dat"), before);
    fs::remove(full + "/filler");
}

TEST(FullDisk, ZoneChangesSayWritingFailedAndKeepWhatWasSaved) {
    REQUIRE_DIR(full, "TARNWICK_FULL_DIR");
    const std::string dir = full + "/zones";
    fs::create_directory(dir);
    RecordingMessageBox messages;
    long saved = 0;
    {
        CZoneDatabase db(messages);
        ASSERT_TRUE(test::ConnectZones(db, dir));
        ASSERT_TRUE(db.Query(InsertStatement("Kept")));
        ++saved;
        ASSERT_TRUE(FillDisk(full + "/filler"));
        // Rows fill the pages the file already has; then the disk is met.
        bool failed = false;
        for (int i = 0; i < 500 && !failed; ++i) {
            failed = !db.Query(InsertStatement(std::string(2000, 'a' + i % 26)));
            saved += failed ? 0 : 1;
        }
        ASSERT_TRUE(failed) << "the full disk took every row";
    }
    ASSERT_FALSE(messages.shown.empty());
    const std::string& text = messages.shown.back().text;
    EXPECT_EQ(text.rfind("The data file could not be written because of this error:\n", 0), 0u)
        << text;
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "the disk is full (No space left on device)", text);
    EXPECT_EQ(text.find("could not be opened"), std::string::npos) << text;

    fs::remove(full + "/filler");
    EXPECT_EQ(CountZones(dir), saved);
}

// A database and settings on a file system mounted read-only: shown, never changed, and every
// message says read-only file system rather than naming a missing file.
TEST(ReadOnlyFileSystem, ZonesAreShownAndChangesSayWhy) {
    REQUIRE_DIR(readOnly, "TARNWICK_READONLY_DIR");
    const std::string source = EnvDir("TARNWICK_READONLY_SOURCE");
    ASSERT_EQ(test::SeedZones(source, "zones/kept.sql"), "");
    ASSERT_EQ(Cli(source, {"settings", "list"}).exit, 0);
    const std::string settings = test::ReadFileBytes(readOnly + "/ClockInfo.dat");

    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    ASSERT_TRUE(test::ConnectZones(db, readOnly));
    EXPECT_TRUE(db.IsReadOnly());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        "is read-only because the folder " + readOnly +
                            " is on a read-only file system",
                        messages.shown[0].text);
    EXPECT_FALSE(db.Query("UPDATE presetTimeZones SET m_Country=\"x\""));
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "could not be written", messages.shown.back().text);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "read-only file system", messages.shown.back().text);

    const CliResult list = Cli(readOnly, {"zones", "list"});
    EXPECT_EQ(list.exit, 0) << list.err;
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Kept", list.out);
    const CliResult set = Cli(readOnly, {"settings", "set", "OPTIONS", "RUNOPTION", "1056"});
    EXPECT_EQ(set.exit, 1);
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        "is on a read-only file system (Read-only file system)", set.err);
    EXPECT_EQ(test::ReadFileBytes(readOnly + "/ClockInfo.dat"), settings);
}

// A folder of mode 0555: root ignores it unless CAP_DAC_OVERRIDE is gone, as the launcher does.
class ReadOnlyFolder : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::PermissionsBind()) {
            GTEST_SKIP() << "this process may write a folder of mode 0555 (root)";
        }
        ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    }
    void MakeWritable() { ::chmod(dir.c_str(), 0755); }

    test::TempDir tmp;
    const std::string dir = tmp.Path();
};

TEST_F(ReadOnlyFolder, NewFilesSayTheFolderIsNotWritable) {
    const std::string why = "the folder " + dir + " is not writable (Permission denied)";
    const CliResult zones = Cli(dir, {"zones", "list"});
    EXPECT_EQ(zones.exit, 1);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "a new zone database cannot be made: " + why,
                        zones.err);
    EXPECT_EQ(zones.err.find("No such file or directory"), std::string::npos) << zones.err;

    const CliResult set = Cli(dir, {"settings", "set", "OPTIONS", "RUNOPTION", "1056"});
    EXPECT_EQ(set.exit, 1);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "cannot write " + dir + "/ClockInfo.dat: " + why,
                        set.err);
}

TEST_F(ReadOnlyFolder, AWritableDatabaseInItIsOpenedReadOnly) {
    MakeWritable();
    ASSERT_EQ(CountZones(dir), 0); // makes the file
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);

    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    ASSERT_TRUE(test::ConnectZones(db, dir));
    EXPECT_TRUE(db.IsReadOnly());
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        "is read-only because the folder " + dir + " is not writable",
                        messages.shown[0].text);
    // Saving needs a journal beside the file, which the folder refuses.
    EXPECT_FALSE(db.Query(InsertStatement("Refused")));
    EXPECT_EQ(messages.shown.back().text.rfind("The data file could not be written", 0), 0u)
        << messages.shown.back().text;
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "not writable", messages.shown.back().text);
}

} // namespace
} // namespace tarnwick
