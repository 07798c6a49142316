#include "zones/zone_record.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/core_zone_columns.h"

namespace tarnwick {
namespace {

// Texts with blanks are set directly, the other columns by name.
ZoneColumns Berlin() {
    ZoneColumns row;
    row.timeZoneName = "Central European Time";
    row.province = "Berlin";
    row.cities = "Berlin, Hamburg";
    test::SetColumns(row, "m_Country=Germany m_GMTBiasHour=1 m_DSTUse=1 m_STDAbbr=CET m_STDAMPM=1 "
                          "m_STDHour=3 m_STDStartCountDOW=5 m_STDMonth=10 m_DSTAbbr=CEST "
                          "m_DSTAMPM=1 m_DSTBiasHour=1 m_DSTHour=2 m_DSTMinute=30 "
                          "m_DSTStartCountDOW=5 m_DSTDOW=0 m_DSTMonth=3");
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
