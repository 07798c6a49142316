// The zone row's column table: a row written through it and read back through it keeps every
// column, text with quotes included.
#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "support/temp_dir.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick {
namespace {

TEST(ZoneColumns, EveryColumnRoundTripsThroughTheDatabase) {
    ZoneColumns written;
    int next = -7;
    for (const ZoneColumn& column : ZoneColumnTable()) {
        if (const auto* text = std::get_if<std::string ZoneColumns::*>(&column.member)) {
            written.** text = std::string("say \"") + column.name + "\"";
        } else {
            written.*std::get<int ZoneColumns::*>(column.member) = next++;
        }
    }
    test::TempDir dir;
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    db.SetLocation(dir.Path(), "timezones");
    ASSERT_TRUE(db.Connect(ZoneCreateStatement()));
    CInsertStatement insert("presetTimeZones");
    for (const ZoneColumn& column : ZoneColumnTable()) {
        insert.Add(column.name, ZoneColumnValueText(column, written));
    }
    ASSERT_TRUE(db.Query(insert.BuildInsert()));
    ASSERT_TRUE(db.Query("SELECT * from presetTimeZones"));
    ASSERT_EQ(db.GetCount(), 1);
    ZoneColumns read;
    for (const ZoneColumn& column : ZoneColumnTable()) {
        SetZoneColumn(column, read, db.GetField(column.name));
    }
    for (const ZoneColumn& column : ZoneColumnTable()) {
        if (const auto* text = std::get_if<std::string ZoneColumns::*>(&column.member)) {
            EXPECT_EQ(read.**text, written.**text) << column.name;
        } else {
            const auto number = std::get<int ZoneColumns::*>(column.member);
            EXPECT_EQ(read.*number, written.*number) << column.name;
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

// Central Europe: +1, daylight time from the last Sunday of March 2 a.m. to October 3 a.m.
ZoneColumns ValidRow() {
    ZoneColumns row;
    row.gmtBiasHour = 1;
    row.dstUse = 1;
    row.stdAmPm = 1;
    row.stdStartCountDow = 5;
    row.stdMonth = 10;
    row.stdHour = 3;
    row.dstAmPm = 1;
    row.dstBiasHour = 1;
    row.dstStartCountDow = 5;
    row.dstMonth = 3;
    row.dstHour = 2;
    return row;
}

TEST(ZoneColumns, AbsurdValuesMakeTheRowInvalidAndSayWhich) {
    struct Row {
        int ZoneColumns::*member;
        int value;
        const char* why; // empty: valid
    };
    const Row rows[] = {
        {&ZoneColumns::gmtBiasHour, -12, ""},
        {&ZoneColumns::gmtBiasHour, 14, ""},
        {&ZoneColumns::gmtBiasHour, 100000, "m_GMTBiasHour is 100000; it must be -24 to 24"},
        {&ZoneColumns::gmtBiasMinute, -90, "m_GMTBiasMinute is -90; it must be -59 to 59"},
        {&ZoneColumns::gmtBiasHour, 24,
         "m_GMTBiasHour and m_GMTBiasMinute give more than 24 hours"},
        {&ZoneColumns::stdMonth, 13, "m_STDMonth is 13; it must be 1 to 12"},
        {&ZoneColumns::dstMonth, 0, "m_DSTMonth is 0; it must be 1 to 12"},
        {&ZoneColumns::dstStartCountDow, 6, "m_DSTStartCountDOW is 6; it must be 1 to 5"},
        {&ZoneColumns::stdDow, 7, "m_STDDOW is 7; it must be 0 to 6"},
        {&ZoneColumns::dstHour, 99, "m_DSTHour is 99; it must be 0 to 23"},
        {&ZoneColumns::stdMinute, 60, "m_STDMinute is 60; it must be 0 to 59"},
        {&ZoneColumns::dstBiasHour, -25, "m_DSTBiasHour is -25; it must be -24 to 24"},
        {&ZoneColumns::stdBiasMinute, 8209, "m_STDBiasMinute is 8209; it must be -59 to 59"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        ZoneColumns row = ValidRow();
        row.*r.member = r.value;
        if (r.member == &ZoneColumns::gmtBiasHour && r.value == 24) {
            row.gmtBiasMinute = 30;
        }
        std::string why;
        EXPECT_EQ(ValidateZoneColumns(row, why), std::string(r.why).empty());
        EXPECT_EQ(why, r.why);
    }
    // Without daylight saving the rule columns are not read, whatever they hold.
    ZoneColumns row = ValidRow();
    row.dstUse = 0;
    row.stdMonth = 13;
    row.dstHour = 99;
    std::string why;
    EXPECT_TRUE(ValidateZoneColumns(row, why)) << why;
}

} // namespace
} // namespace tarnwick
