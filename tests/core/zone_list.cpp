// The zone list's items: order, texts with padded offsets, one item per part of the name, and
// the separators between rows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "platform/message_box.h"
#include "zones/zone_database.h"
#include "zones/zone_list.h"

namespace tarnwick {
namespace {

TEST(ZoneList, PadTwoDigitsPadsOnlyOneCharacter) {
    EXPECT_EQ(PadTwoDigits("5"), "05");
    EXPECT_EQ(PadTwoDigits("0"), "00");
    EXPECT_EQ(PadTwoDigits("-5"), "-5");
    EXPECT_EQ(PadTwoDigits("12"), "12");
    EXPECT_EQ(PadTwoDigits("-30"), "-30");
    EXPECT_EQ(PadTwoDigits(""), "");
}

TEST(ZoneList, ItemsFollowTheEditorsOrderAndTexts) {
    char pattern[] = "/tmp/tarnwick-list-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    db.SetLocation(dir, "timezones");
    ASSERT_TRUE(db.Connect(CZoneDatabase::kCreateStatement));
    struct Row {
        const char* name;
        int hour, minute;
    } rows[] = {{"Eastern Time, New York", -5, 0},
                {"India, Kolkata", 5, 30},
                {"UTC", 0, 0},
                {"Sydney", 10, 0},
                {"Newfoundland", -3, -30},
                {"B", 5, 30},
                {"A,,B,", 5, 30},
                {" , ", 1, 0}};
    for (const Row& r : rows) {
        ASSERT_TRUE(db.Query("INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,"
                             "m_GMTBiasMinute,m_DSTUse) VALUES (\"" +
                             std::string(r.name) + "\",\"" + std::to_string(r.hour) + "\",\"" +
                             std::to_string(r.minute) + "\",\"0\")"));
    }
    const std::string sep(120, '-');
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"(GMT-5:00) Eastern Time", "1"},
        {"(GMT-5:00) New York", "1"},
        {sep, "-1"},
        {"(GMT-3:-30) Newfoundland", "5"},
        {sep, "-1"},
        {"(GMT+00:00) UTC", "3"},
        {sep, "-1"},
        {sep, "-1"}, // a name of blanks and commas gives no item, only the separator
        {"(GMT+05:30) A", "7"},
        {"(GMT+05:30) B", "7"},
        {sep, "-1"},
        {"(GMT+05:30) B", "6"},
        {sep, "-1"},
        {"(GMT+05:30) India", "2"},
        {"(GMT+05:30) Kolkata", "2"},
        {sep, "-1"},
        {"(GMT+10:00) Sydney", "4"},
        {sep, "-1"},
    };
    std::vector<std::pair<std::string, std::string>> items;
    for (const ZoneListItem& item : BuildZoneListItems(db)) {
        items.emplace_back(item.text, item.key);
    }
    EXPECT_EQ(items, expected);
    EXPECT_TRUE(messages.shown.empty());
    std::system(("rm -rf '" + dir + "'").c_str());
}

} // namespace
} // namespace tarnwick
