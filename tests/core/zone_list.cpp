// The zone list's items: order, texts with padded offsets, one item per part of the name, and
// the separators between rows.
#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "support/zones_seed.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"
#include "zones/zone_list.h"

namespace tarnwick {
namespace {

// An empty column (NULL) stays empty in the editor's boxes; the list's items pin the rest.
TEST(ZoneList, PadTwoDigitsLeavesEmptyTextEmpty) {
    EXPECT_EQ(PadTwoDigits(""), "");
}

// The items as "key<TAB>text" lines, compared with tests/data/zones/zone_list_items.txt (which
// holds offsets of one and two digits, signed and not, padded and not).
TEST(ZoneList, ItemsFollowTheEditorsOrderAndTexts) {
    const test::TempDir dir;
    ASSERT_EQ(test::SeedZones(dir.Path(), "zones/zone_list.sql"), "");
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    ASSERT_TRUE(test::ConnectZones(db, dir.Path()));
    std::string items;
    for (const ZoneListItem& item : BuildZoneListItems(db)) {
        items += item.key + "\t" + item.text + "\n";
    }
    EXPECT_EQ(items, test::ReadFileBytes(test::TestDataPath("zones/zone_list_items.txt")));
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
} // namespace tarnwick
