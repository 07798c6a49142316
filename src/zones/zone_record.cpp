#include "zones/zone_record.h"

namespace tarnwick {

namespace {

// Names are fixed 32-character fields in the record.
constexpr std::size_t kMaxNameLength = 32;

std::string Truncated(const std::string& text) {
    return text.substr(0, kMaxNameLength);
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
    tzi.Bias = -(60 * row.gmtBiasHour + row.gmtBiasMinute);
    tzi.StandardName = Truncated(row.stdAbbr);
    tzi.DaylightName = Truncated(row.dstAbbr);
    if (record.dstUse) {
        tzi.StandardBias = -(60 * row.stdBiasHour + row.stdBiasMinute);
        tzi.DaylightBias = -(60 * row.dstBiasHour + row.dstBiasMinute);
        tzi.StandardDate = RuleFromColumns(row.stdMonth, row.stdDow, row.stdStartCountDow,
                                           row.stdHour, row.stdAmPm, row.stdMinute);
        tzi.DaylightDate = RuleFromColumns(row.dstMonth, row.dstDow, row.dstStartCountDow,
                                           row.dstHour, row.dstAmPm, row.dstMinute);
    }
    record.tzi = tzi;
}

} // namespace tarnwick
