// The zone row's column table: a row written through it and read back through it keeps every
// column, text with quotes included.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/message_box.h"
#include "support/core_zone_columns.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/zones_seed.h"
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
    ASSERT_TRUE(test::ConnectZones(db, dir.Path()));
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

// The cases are in tests/data/zones/column_ranges.txt.
TEST(ZoneColumns, AbsurdValuesMakeTheRowInvalidAndSayWhich) {
    std::ifstream in(test::TestDataPath("zones/column_ranges.txt"));
    int cases = 0;
    for (std::string line; std::getline(in, line);) {
        const std::size_t bar = line.find('|');
        if (line.empty() || line[0] == '#' || bar == std::string::npos) {
            continue;
        }
        SCOPED_TRACE(line);
        ++cases;
        ZoneColumns row; // Central Europe, then the line's columns
        test::SetColumns(
            row, "m_GMTBiasHour=1 m_DSTUse=1 m_STDAMPM=1 m_STDStartCountDOW=5 m_STDMonth=10 "
                 "m_STDHour=3 m_DSTAMPM=1 m_DSTBiasHour=1 m_DSTStartCountDOW=5 "
                 "m_DSTMonth=3 m_DSTHour=2 " +
                     line.substr(0, bar));
        const std::size_t reason = line.find_first_not_of(' ', bar + 1);
        const std::string expected = reason == std::string::npos ? "" : line.substr(reason);
        std::string why;
        EXPECT_EQ(ValidateZoneColumns(row, why), expected.empty());
        EXPECT_EQ(why, expected);
    }
    EXPECT_EQ(cases, 14);
}

} // namespace
} // namespace tarnwick
