// The zone list's items: order, texts with padded offsets, one item per part of the name, and
// the separators between rows.
#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "support/temp_dir.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"
#include "zones/zone_list.h"

namespace tarnwick {
namespace {

TEST(ZoneList, PadTwoDigitsPadsOnlyOneCharacter) {
    const std::pair<const char*, const char*> rows[] = {{"5", "05"},  {"0", "00"},    {"-5", "-5"},
                                                        {"12", "12"}, {"-30", "-30"}, {"", ""}};
    for (const auto& [text, padded] : rows) {
        EXPECT_EQ(PadTwoDigits(text), padded) << text;
    }
}

TEST(ZoneList, ItemsFollowTheEditorsOrderAndTexts) {
    const test::TempDir dir;
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    db.SetLocation(dir.Path(), "timezones");
    ASSERT_TRUE(db.Connect(ZoneCreateStatement()));
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
}

} // namespace
} // namespace tarnwick
