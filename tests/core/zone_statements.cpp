// The zone editor's statements and form texts: SQL value texts, the INSERT and
// UPDATE it sends, validation, and the conversions of the computer's zone into the form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "support/temp_dir.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"
#include "zones/zone_statements.h"

namespace tarnwick {
namespace {

TEST(EditorValues, QuoteTrimAndEscape) {
    struct Case {
        std::string value;
        std::string expected;
    };
    const Case cases[] = {
        {QuoteValue("  Eastern Time \t"), "\"Eastern Time\""},
        {EditValue(""), "\"\""},
        {EditValue("   "), "\"\""},
        // A typed double quote is doubled inside the quoted value.
        {EditValue("The \"Big\" Apple"), "\"The \"\"Big\"\" Apple\""},
        {EditValue("\""), "\"\"\"\""},
        {CheckValue(true), "\"1\""},
        {CheckValue(false), "\"0\""},
        // A selected item gives its key, whatever the text field shows.
        {ComboValue({"April", std::string("4")}), "\"4\""},
        {ComboValue({"Last", std::string("5")}), "\"5\""},
        {ComboValue({"-5", std::nullopt}), "\"-5\""},
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
    f.dstAmPm = {"AM", std::string("1")};
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
    void SetUp() override {
        m_db.SetLocation(m_dir.Path(), "timezones");
        ASSERT_TRUE(m_db.Connect(ZoneCreateStatement()));
    }
    std::string Read(const std::string& column, int id) {
        EXPECT_TRUE(m_db.Query(SelectZoneStatement(id)));
        EXPECT_TRUE(m_db.NextRecord());
        return m_db.GetField(column).Text();
    }

    test::TempDir m_dir;
    RecordingMessageBox m_messages;
    CZoneDatabase m_db{m_messages};
};

// Every box of the form lands in its own column, and an update changes only its own row.
TEST_F(EditorStatementsDatabase, InsertAndUpdateRoundTripEveryColumn) {
    ZoneFormValues eastern = EasternForm();
    ZoneFormValues other = EasternForm();
    other.name = "Other";
    ASSERT_TRUE(m_db.Query(BuildZoneInsert(eastern)));
    ASSERT_TRUE(m_db.Query(BuildZoneInsert(other)));
    const std::pair<const char*, const char*> expected[] = {
        {"m_TimeZoneName", "Eastern Time, New York"},
        {"m_Country", "USA"},
        {"m_Province", ""},
        {"m_Cities", "New York"},
        {"m_GMTBiasHour", "-5"},
        {"m_GMTBiasMinute", "0"}, // minutes are numbers: "00" is 0,
        {"m_DSTUse", "1"},
        {"m_DSTAbbr", "EDT"},
        {"m_DSTAMPM", "1"},
        {"m_DSTBiasHour", "1"},
        {"m_DSTBiasMinute", "0"},
        {"m_DSTDOW", "0"},
        {"m_DSTHour", "2"},
        {"m_DSTMinute", "0"},
        {"m_DSTMonth", "3"},
        {"m_DSTStartCountDOW", "2"},
        {"m_STDAbbr", "EST"},
        {"m_STDAMPM", "1"},
        {"m_STDBiasHour", "0"}, // an empty bias box is stored as 0
        {"m_STDBiasMinute", "0"},
        {"m_STDDOW", "0"},
        {"m_STDHour", "2"},
        {"m_STDMinute", "0"},
        {"m_STDMonth", "11"},
        {"m_STDStartCountDOW", "1"},
    };
    for (const auto& [column, value] : expected) {
        EXPECT_EQ(Read(column, 1), value) << column;
    }

    eastern.stdStartCountDow = {"Last", std::string("5")};
    eastern.stdAbbr = "XST";
    ASSERT_TRUE(m_db.Query(BuildZoneUpdate(eastern, 1)));
    EXPECT_EQ(Read("m_STDStartCountDOW", 1), "5");
    EXPECT_EQ(Read("m_STDAbbr", 1), "XST");
    EXPECT_EQ(Read("m_TimeZoneName", 1), "Eastern Time, New York");
    EXPECT_EQ(Read("m_STDStartCountDOW", 2), "1");
    EXPECT_EQ(Read("m_STDAbbr", 2), "EST");
    EXPECT_EQ(Read("m_TimeZoneName", 2), "Other");
    EXPECT_TRUE(m_messages.shown.empty());
}

// The database reads a doubled quote inside a double-quoted value back as one quote, and a
// value that looks like a column name stays a value.
TEST_F(EditorStatementsDatabase, StatementsRunAndStoreTextAsTyped) {
    ZoneFormValues f = EasternForm();
    f.name = "The \"Big\" Apple, m_Country";
    f.country = "m_Cities";
    ASSERT_TRUE(m_db.Query(BuildZoneInsert(f)));
    EXPECT_EQ(Read("m_TimeZoneName", 1), "The \"Big\" Apple, m_Country");
    EXPECT_EQ(Read("m_Country", 1), "m_Cities");
    EXPECT_EQ(Read("m_GMTBiasHour", 1), "-5");
    EXPECT_EQ(Read("m_STDBiasHour", 1), "0");

    // An empty last box ends the update with a bare 0, which still runs.
    f.name = "\"Quoted\"";
    f.stdStartCountDow = {"", std::nullopt};
    ASSERT_TRUE(m_db.Query(BuildZoneUpdate(f, 1)));
    EXPECT_EQ(m_db.GetCount(), 1);
    EXPECT_EQ(Read("m_TimeZoneName", 1), "\"Quoted\"");
    EXPECT_EQ(Read("m_STDStartCountDOW", 1), "0");
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST(EditorValidation, ChecksNameThenHourThenMinute) {
    struct Case {
        std::string name, hour, minute, expected;
    };
    const Case cases[] = {
        {"", "", "", "You must name your timezone."},
        {"  ", "-5", "00", "You must name your timezone."},
        {"Eastern", " ", "00", "You must set your GMT hour offset."},
        {"Eastern", "-5", "", "You must set your GMT minute offset."},
        {"Eastern", "-5", "00", ""},
        {"Eastern", " -5 ", "30", ""},
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
    struct Case {
        int minutes;
        std::string hour, minute;
    };
    const Case cases[] = {
        {-210, "-3", "-30"}, {330, "5", "30"}, {60, "1", "00"},    {0, "0", "00"},
        {-30, "0", "-30"},   {345, "5", "45"}, {-300, "-5", "00"}, {-5, "0", "-5"},
    };
    for (const Case& c : cases) {
        const HourMinuteText text = SplitMinutesText(c.minutes);
        EXPECT_EQ(text.hour, c.hour) << c.minutes;
        EXPECT_EQ(text.minute, c.minute) << c.minutes;
    }
}

TEST(EditorTexts, RuleHoursOnTheTwelveHourClock) {
    struct Case {
        int wHour;
        int hour;
        std::string ampm, key;
    };
    const Case cases[] = {
        {0, 12, "AM", "1"},  {1, 1, "AM", "1"},  {2, 2, "AM", "1"},   {11, 11, "AM", "1"},
        {12, 12, "PM", "2"}, {13, 1, "PM", "2"}, {23, 11, "PM", "2"},
    };
    for (const Case& c : cases) {
        const ClockHour h = ToClockHour(c.wHour);
        EXPECT_EQ(h.hour, c.hour) << c.wHour;
        EXPECT_EQ(h.ampm.text, c.ampm) << c.wHour;
        EXPECT_EQ(h.ampm.key, c.key) << c.wHour;
    }
}

} // namespace
} // namespace tarnwick
