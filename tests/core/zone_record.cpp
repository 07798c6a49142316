#include "zones/zone_record.h"

#include <gtest/gtest.h>

#include <climits>

namespace tarnwick {
namespace {

ZoneColumns Berlin() {
    ZoneColumns row;
    row.timeZoneName = "Central European Time";
    row.country = "Germany";
    row.province = "Berlin";
    row.cities = "Berlin, Hamburg";
    row.gmtBiasHour = 1;
    row.dstUse = 1;
    row.stdAbbr = "CET";
    row.stdAmPm = 1;
    row.stdHour = 3;
    row.stdStartCountDow = 5;
    row.stdMonth = 10;
    row.dstAbbr = "CEST";
    row.dstAmPm = 1;
    row.dstBiasHour = 1;
    row.dstHour = 2;
    row.dstMinute = 30;
    row.dstStartCountDow = 5;
    row.dstDow = 0;
    row.dstMonth = 3;
    return row;
}

TEST(ZoneRecord, FillsTextsBiasesAndRulesFromTheColumns) {
    CZoneRecord record;
    FillRecordFromColumns(42, Berlin(), record);
    EXPECT_EQ(std::to_string(record.timeZoneID) + "|" + record.name + "|" + record.country + "|" +
                  record.province + "|" + record.cities,
              "42|Central European Time|Germany|Berlin|Berlin, Hamburg");
    EXPECT_TRUE(record.dstUse);
    EXPECT_EQ(record.tzi, (TimeZoneInformation{
                              -60, "CET", {0, 10, 0, 5, 3}, 0, "CEST", {0, 3, 0, 5, 2, 30}, -60}));

    // Without daylight saving the rule columns are ignored, also what the record held before;
    // the names are kept either way.
    ZoneColumns row = Berlin();
    row.dstUse = 0;
    row.stdBiasHour = 2;
    FillRecordFromColumns(7, row, record);
    EXPECT_FALSE(record.dstUse);
    EXPECT_EQ(record.tzi, (TimeZoneInformation{-60, "CET", {}, 0, "CEST", {}, 0}));
}

TEST(ZoneRecord, MinutesCarryTheSignOfTheirHourAndNamesAreCut) {
    ZoneColumns row;
    row.gmtBiasHour = -3;
    row.gmtBiasMinute = -30;
    row.stdAbbr = std::string(40, 'S');
    row.dstAbbr = std::string(33, 'D');
    CZoneRecord record;
    FillRecordFromColumns(1, row, record);
    EXPECT_EQ(record.tzi.Bias, 210); // G.M.T. -3:30
    EXPECT_EQ(record.tzi.StandardName, std::string(32, 'S'));
    EXPECT_EQ(record.tzi.DaylightName, std::string(32, 'D'));
    row.gmtBiasMinute = 30;
    FillRecordFromColumns(1, row, record);
    EXPECT_EQ(record.tzi.Bias, 150); // -3 h + 30 min: G.M.T. -2:30

    // A hand-edited row with absurd numbers saturates rather than overflowing.
    row.gmtBiasHour = INT_MAX;
    row.gmtBiasMinute = INT_MAX;
    FillRecordFromColumns(1, row, record);
    EXPECT_EQ(record.tzi.Bias, -1000000000);
}

} // namespace
} // namespace tarnwick
