// One preset zone, one row of presetTimeZones, with its offset and rules in the layout of the
// Windows time-zone information (biases: UTC = local + bias).
#pragma once

#include <cstdint>
#include <string>

#include "platform/local_zone.h"

namespace tarnwick {

struct CZoneRecord {
    std::int32_t timeZoneID = -1; // -1: no row loaded
    std::string name;
    std::string country;
    std::string cities;
    std::string province;
    bool dstUse = false;
    TimeZoneInformation tzi;
    // The computer's own zone (no row loaded): its time, offset and abbreviation are the C
    // library's for each instant; tzi only describes it, since the Windows-style rules cannot
    // hold every zone (negative daylight saving, transitions at hour 24 or -1).
    bool computerZone = false;
};

// The numeric and text columns of a presetTimeZones row, as stored (hours on a 12-hour clock,
// AMPM 1 a.m. / 2 p.m., minutes carrying the sign of their hours).
struct ZoneColumns {
    std::string timeZoneName, country, province, cities;
    int gmtBiasHour = 0, gmtBiasMinute = 0;
    int dstUse = 0;
    std::string stdAbbr;
    int stdAmPm = 0, stdBiasHour = 0, stdBiasMinute = 0, stdStartCountDow = 0, stdDow = 0,
        stdMonth = 0, stdHour = 0, stdMinute = 0;
    std::string dstAbbr;
    int dstAmPm = 0, dstBiasHour = 0, dstBiasMinute = 0, dstStartCountDow = 0, dstDow = 0,
        dstMonth = 0, dstHour = 0, dstMinute = 0;
};

// 12-hour column value and AMPM (1 a.m., 2 p.m.) to a 24-hour hour: p.m. 1-11 -> +12,
// p.m. 12 -> 12, a.m. 12 -> 0, anything else unchanged.
int TwentyFourHour(int hour, int amPm);

// Fills record (id, texts, dstUse, tzi) from a row; rules and the standard/daylight biases
// are taken only when dstUse is non-zero.
void FillRecordFromColumns(std::int32_t id, const ZoneColumns& row, CZoneRecord& record);

} // namespace tarnwick
