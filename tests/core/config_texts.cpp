// The US daylight-saving answer and the order and content of the configuration's Save.
#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "platform/local_zone.h"
#include "settings/config_save.h"
#include "settings/profile_file.h"
#include "support/case_tables.h"
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
    for (const test::CaseRow& c : test::ReadCaseTable("settings/us_daylight.txt", 2)) {
        const std::vector<int> n = c.Numbers(0);
        ASSERT_EQ(n.size(), 5u) << c;
        const FixedClock clock(DateTime(n[0], n[1], n[2], n[3], n[4], 0).ToUnixSeconds());
        CLocalTimeInfo local(clock, utc);
        EXPECT_EQ(UsDaylightSavingMessage(local), c[1] + "\n\n" + kDates2026) << c;
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
