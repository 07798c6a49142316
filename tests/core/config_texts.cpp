// The US daylight-saving answer and the order and content of the configuration's Save.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/local_zone.h"
#include "settings/config_save.h"
#include "settings/profile_file.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "zones/date_time.h"
#include "zones/us_daylight_message.h"

namespace tarnwick {
namespace {

const char kDates2026[] = "Daylight Savings Time Starts:\nSunday, March 08, 2026  02:00 AM\n\n"
                          "Standard Time Starts:\nSunday, November 01, 2026 02:00 AM";

TEST(UsDaylightSavingMessage, TellsWhichPeriodTodayIsIn) {
    const FixedLocalZone utc(0, "UTC");
    struct Row {
        DateTime utcNow;
        const char* expected;
    };
    const Row rows[] = {
        {DateTime(2026, 7, 1, 12, 0, 0), "Currently Wednesday, July 01, 2026 is Daylight Savings "
                                         "Time.\n\n"},
        {DateTime(2026, 1, 15, 12, 0, 0), "Currently Thursday, January 15, 2026 is Standard "
                                          "Time.\n\n"},
        // 2026-11-01 after 02:00: standard time again.
        {DateTime(2026, 11, 1, 3, 0, 0), "Currently Sunday, November 01, 2026 is Standard "
                                         "Time.\n\n"},
    };
    for (const Row& r : rows) {
        const FixedClock clock(r.utcNow.ToUnixSeconds());
        CLocalTimeInfo local(clock, utc);
        EXPECT_EQ(UsDaylightSavingMessage(local), std::string(r.expected) + kDates2026);
    }
}

TEST(ConfigSave, WritesEveryKeyInOrderAndAsTyped) {
    test::TempDir dir;
    const std::string path = dir / "ClockInfo.dat";
    test::WriteFileBytes(path, "[OPTIONS]\nUSTIMESERVERS=a,b\n[OTHERCOUNTRY]\nTIMEZONEID=12\n");
    ConfigDialogValues v;
    v.otherCountryName = "India";
    v.otherCountryOffset = "8";
    v.runOption = 1058;
    v.checkTimeOption = 1053;
    v.checkTimeInterval = 1063;
    v.checkTimeUpdateOption = 1070;
    v.loginStartup = true;
    v.checkTimeHourInterval = ""; // an emptied field is stored empty
    v.checkTimeCustomServers = "127.0.0.1:3737";
    v.checkTimeMarginOfError = "12";
    v.clockBlueLcd = true;
    std::string error;
    ASSERT_TRUE(SaveConfigSettings(path, v, &error)) << error;
    // Every key, in the order and the sections the program has always written them.
    EXPECT_EQ(test::ReadFileBytes(path),
              test::ReadFileBytes(test::TestDataPath("settings/config_saved.dat")));
}

TEST(ConfigSave, AValueThatCannotBeStoredLeavesTheFileAndSaysWhere) {
    test::TempDir dir;
    const std::string path = dir / "ClockInfo.dat";
    const std::string before = "[OPTIONS]\nRUNOPTION=1056\n";
    test::WriteFileBytes(path, before);
    ConfigDialogValues v;
    v.checkTimeCustomServers = std::string(2000, 'x');
    std::string error;
    EXPECT_FALSE(SaveConfigSettings(path, v, &error));
    EXPECT_PRED_FORMAT2(testing::IsSubstring, path, error);
    EXPECT_EQ(test::ReadFileBytes(path), before);
}

} // namespace
} // namespace tarnwick
