// The zone editor's statements and form texts: SQL value texts, the INSERT and
// UPDATE it sends, validation, and the conversions of the computer's zone into the form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "support/temp_dir.h"
#include "support/zones_seed.h"
#include "tools/preset_zones.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"
#include "zones/zone_record.h"
#include "zones/zone_statements.h"

namespace tarnwick {
namespace {

// What the database makes of the value texts is checked by the round trip below.
TEST(EditorValues, QuoteTrimAndEscape) {
    struct Case {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {QuoteValue("  Eastern Time \t"), "\"Eastern Time\""},
        {EditValue("   "), "\"\""},
        {EditValue("\""), "\"\"\"\""}, // a typed quote is doubled inside the quoted value
        {CheckValue(false), "\"0\""},
        // A selected item gives its key, whatever the text field shows.
        {ComboValue({"Last", std::string("5")}), "\"5\""},
        {ComboValue({" 30 ", std::nullopt}), "\"30\""},
        {ComboValue({"", std::nullopt}), "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value, c.expected);
    }
}

ZoneFormValues EasternForm() {
    ZoneFormValues f;
    f.name = "Eastern Time, New York";
    f.country = "USA";
    f.province = "";
    f.cities = "New York";
    f.gmtBiasHour = {"-5", std::nullopt};
    f.gmtBiasMinute = {"00", std::nullopt};
    f.dstUse = true;
    f.dstAbbr = "EDT";
    f.dstAmPm = {"PM", std::string("2")};
    f.dstBiasHour = {"1", std::nullopt};
    f.dstBiasMinute = {"00", std::nullopt};
    f.dstDow = {"Sunday", std::string("0")};
    f.dstHour = {"2", std::nullopt};
    f.dstMinute = {"00", std::nullopt};
    f.dstMonth = {"March", std::string("3")};
    f.dstStartCountDow = {"Second", std::string("2")};
    f.stdAbbr = "EST";
    f.stdAmPm = {"AM", std::string("1")};
    f.stdBiasHour = {"", std::nullopt};
    f.stdBiasMinute = {"", std::nullopt};
    f.stdDow = {"Sunday", std::string("0")};
    f.stdHour = {"2", std::nullopt};
    f.stdMinute = {"00", std::nullopt};
    f.stdMonth = {"November", std::string("11")};
    f.stdStartCountDow = {"First", std::string("1")};
    return f;
}

class EditorStatementsDatabase : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::ConnectZones(m_db, m_dir.Path())); }
    // The row's columns in the table's order, joined by '|'.
    std::string Row(int id) {
        EXPECT_TRUE(m_db.Query(SelectZoneStatement(id)));
        EXPECT_TRUE(m_db.NextRecord());
        std::string row;
        for (const ZoneColumn& column : ZoneColumnTable()) {
            row += (row.empty() ? "" : "|") + m_db.GetField(column.name).Text();
        }
        return row;
    }

    test::TempDir m_dir;
    RecordingMessageBox m_messages;
    CZoneDatabase m_db{m_messages};
};

// Every box of the form lands in its own column, and an update changes only its own row.
// Minutes are numbers ("00" is 0) and an empty bias box is stored as 0.
TEST_F(EditorStatementsDatabase, InsertAndUpdateRoundTripEveryColumn) {
    ZoneFormValues eastern = EasternForm();
    ZoneFormValues other = EasternForm();
    other.name = "Other";
    ASSERT_TRUE(m_db.Query(BuildZoneInsert(eastern)));
    ASSERT_TRUE(m_db.Query(BuildZoneInsert(other)));
    const std::string columns = "|USA||New York|-5|0|1|EST|1|0|0|1|0|11|2|0|EDT|2|1|0|2|0|3|2|0";
    EXPECT_EQ(Row(1), "Eastern Time, New York" + columns);

    eastern.stdStartCountDow = {"Last", std::string("5")};
    eastern.stdAbbr = "XST";
    ASSERT_TRUE(m_db.Query(BuildZoneUpdate(eastern, 1)));
    EXPECT_EQ(Row(1), "Eastern Time, New York|USA||New York|-5|0|1|XST|1|0|0|5|0|11|2|0|EDT|2|1|0|"
                      "2|0|3|2|0");
    EXPECT_EQ(Row(2), "Other" + columns);

    // The database reads a doubled quote inside a double-quoted value back as one quote, and
    // a value that looks like a column name stays a value. An empty last box ends the update
    // with a bare 0, which still runs.
    eastern.name = "The \"Big\" Apple, m_Country";
    eastern.country = "m_Cities";
    eastern.stdStartCountDow = {"", std::nullopt};
    ASSERT_TRUE(m_db.Query(BuildZoneUpdate(eastern, 1)));
    EXPECT_EQ(m_db.GetCount(), 1);
    EXPECT_EQ(Row(1), "The \"Big\" Apple, m_Country|m_Cities||New York|-5|0|1|XST|1|0|0|0|0|11|2|"
                      "0|EDT|2|1|0|2|0|3|2|0");
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST(EditorValidation, ChecksNameThenHourThenMinute) {
    struct Case {
        std::string name, hour, minute, expected;
    };
    const Case cases[] = {
        // The three missing-value messages in turn are tested through the editor's Save.
        {"", "", "", "You must name your timezone."},
        {"Eastern", "-5", "00", ""},
        {"Eastern", " -5 ", " 30 ", ""},
        {"Eastern", "24", "-59", ""},
        // Text that the numeric columns would store as 0 is refused before anything is saved.
        {"Eastern", "abc", "00", "The GMT hour offset must be a whole number from -24 to 24."},
        {"Eastern", "25", "00", "The GMT hour offset must be a whole number from -24 to 24."},
        {"Eastern", "5x", "00", "The GMT hour offset must be a whole number from -24 to 24."},
        {"Eastern", "-5", "3O", "The GMT minute offset must be a whole number from -59 to 59."},
        {"Eastern", "-5", "60", "The GMT minute offset must be a whole number from -59 to 59."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValidateZoneForm(c.name, c.hour, c.minute), c.expected) << c.name;
    }
}

TEST(EditorValidation, RuleBoxesTakeAListItemNothingOrAWholeNumberInRange) {
    EXPECT_EQ(ValidateZoneRuleBoxes(EasternForm()), "");
    ZoneFormValues f = EasternForm();
    f.stdHour = {" 23 ", std::nullopt};
    f.dstBiasMinute = {"", std::nullopt};
    EXPECT_EQ(ValidateZoneRuleBoxes(f), "");
    f.dstMinute = {"abc", std::nullopt}; // typed: would be stored as 0
    EXPECT_EQ(ValidateZoneRuleBoxes(f),
              "The daylight time minute must be a whole number from 0 to 59.");
    f = EasternForm();
    f.stdBiasHour = {"25", std::nullopt};
    EXPECT_EQ(ValidateZoneRuleBoxes(f),
              "The standard time bias hour must be a whole number from -24 to 24.");
    f.stdBiasHour = {"Second", std::string("2")}; // a list item is what the list says
    EXPECT_EQ(ValidateZoneRuleBoxes(f), "");
}

TEST(EditorTexts, MinutesSplitTowardZero) {
    const std::pair<int, const char*> cases[] = {
        {-210, "-3 -30"}, {330, "5 30"}, {60, "1 00"},    {0, "0 00"},
        {-30, "0 -30"},   {345, "5 45"}, {-300, "-5 00"}, {-5, "0 -5"},
    };
    for (const auto& [minutes, expected] : cases) {
        const HourMinuteText text = SplitMinutesText(minutes);
        EXPECT_EQ(text.hour + " " + text.minute, expected) << minutes;
    }
}

// The editor shows a rule's hour on the twelve-hour clock and stores it as hour and AM/PM
// columns, as the preset generator does, which the clock turns back into the same hour.
TEST(EditorTexts, RuleHoursRoundTripThroughTheTwelveHourClock) {
    std::string shown;
    for (int wHour = 0; wHour < 24; ++wHour) {
        const ClockHour h = ToClockHour(wHour);
        shown += std::to_string(h.hour) + h.ampm.text + h.ampm.key + " ";
        EXPECT_EQ(TwentyFourHour(h.hour, std::stoi(h.ampm.key)), wHour);
        int generatedHour = 0;
        int generatedAmPm = 0;
        TwelveHour(wHour, generatedHour, generatedAmPm);
        EXPECT_EQ(std::pair(generatedHour, generatedAmPm),
                  std::pair(h.hour, std::stoi(h.ampm.key)));
    }
    EXPECT_EQ(shown, "12AM1 1AM1 2AM1 3AM1 4AM1 5AM1 6AM1 7AM1 8AM1 9AM1 10AM1 11AM1 12PM2 1PM2 "
                     "2PM2 3PM2 4PM2 5PM2 6PM2 7PM2 8PM2 9PM2 10PM2 11PM2 ");
    // Columns a file may hold beyond the two halves of the day are taken as they are.
    const int columns[][3] = {{0, 2, 0},   {0, 1, 0},   {3, 0, 3}, {12, 0, 0},
                              {13, 2, 13}, {40, 1, 40}, {5, 3, 5}};
    for (const auto& [hour, amPm, expected] : columns) {
        EXPECT_EQ(TwentyFourHour(hour, amPm), expected) << hour << " AMPM " << amPm;
    }
}

} // namespace
} // namespace tarnwick
