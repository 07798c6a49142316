#include "zones/zone_record.h"

#include <algorithm>

namespace tarnwick {

namespace {

// Far beyond any real offset, and small enough that sums of two biases cannot overflow.
constexpr std::int64_t kMaxBiasMinutes = 1000000000;

// -(60 h + m) in minutes. Columns come from a file anyone can edit: absurd values saturate
// instead of overflowing.
int BiasFrom(int hours, int minutes) {
    const std::int64_t bias = -(std::int64_t{60} * hours + minutes);
    return static_cast<int>(std::clamp<std::int64_t>(bias, -kMaxBiasMinutes, kMaxBiasMinutes));
}

TransitionRule RuleFromColumns(int month, int dayOfWeek, int occurrence, int hour, int amPm,
                               int minute) {
    TransitionRule rule;
    rule.wMonth = month;
    rule.wDayOfWeek = dayOfWeek;
    rule.wDay = occurrence;
    rule.wHour = TwentyFourHour(hour, amPm);
    rule.wMinute = minute;
    return rule;
}

} // namespace

int TwentyFourHour(int hour, int amPm) {
    if (amPm == 2) {
        return hour >= 1 && hour <= 11 ? hour + 12 : hour;
    }
    return hour == 12 ? 0 : hour;
}

void FillRecordFromColumns(std::int32_t id, const ZoneColumns& row, CZoneRecord& record) {
    record.timeZoneID = id;
    record.name = row.timeZoneName;
    record.country = row.country;
    record.cities = row.cities;
    record.province = row.province;
    record.dstUse = row.dstUse != 0;

    TimeZoneInformation tzi;
    // The minute column carries the sign of the hour column: G.M.T. -3:30 is -3 and -30.
    tzi.Bias = BiasFrom(row.gmtBiasHour, row.gmtBiasMinute);
    tzi.StandardName = ZoneNameField(row.stdAbbr);
    tzi.DaylightName = ZoneNameField(row.dstAbbr);
    if (record.dstUse) {
        tzi.StandardBias = BiasFrom(row.stdBiasHour, row.stdBiasMinute);
        tzi.DaylightBias = BiasFrom(row.dstBiasHour, row.dstBiasMinute);
        tzi.StandardDate = RuleFromColumns(row.stdMonth, row.stdDow, row.stdStartCountDow,
                                           row.stdHour, row.stdAmPm, row.stdMinute);
        tzi.DaylightDate = RuleFromColumns(row.dstMonth, row.dstDow, row.dstStartCountDow,
                                           row.dstHour, row.dstAmPm, row.dstMinute);
    }
    record.tzi = tzi;
}

} // namespace tarnwick
