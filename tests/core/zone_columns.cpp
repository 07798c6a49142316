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

} // namespace
} // namespace tarnwick
