#include "zones/zone_clock.h"

namespace tarnwick {

CZoneClock::CZoneClock(const IClock& clock, const ILocalZone& localZone)
    : m_localTime(clock, localZone) {
    ResetRecord();
}

CZoneClock::~CZoneClock() = default;

void CZoneClock::ResetRecord() {
    m_record = CZoneRecord{};
}

DateTime CZoneClock::GetZoneTime() {
    if (m_record.computerZone) {
        // One reading of the clock: the offset belongs to the instant it is added to.
        const std::int64_t now = m_localTime.Clock().NowUnixSeconds();
        const LocalInstant instant = m_localTime.Zone().At(now);
        m_dstNow = instant.isDst;
        m_abbreviation = instant.abbreviation;
        m_offsetMinutes = instant.offsetMinutes;
        return DateTime::FromUnixSeconds(now) + DateTimeSpan(0, 0, instant.offsetMinutes, 0);
    }
    const TimeZoneInformation& tzi = m_record.tzi;
    bool dstNow = false;
    std::int32_t offset = SaturatedMinutes(-(std::int64_t{tzi.Bias} + tzi.StandardBias));
    std::string abbreviation = tzi.StandardName;

    if (m_record.dstUse) {
        const DateTime start =
            m_localTime.GetTransitionUtc(tzi.Bias, tzi.StandardBias, tzi.DaylightDate);
        const DateTime end =
            m_localTime.GetTransitionUtc(tzi.Bias, tzi.DaylightBias, tzi.StandardDate);
        const DateTime now = m_localTime.GetNowUtc();
        // A rule that names no date (month outside 1-12, occurrence outside 1-5, a time of day
        // off the clock) cannot place a period of daylight time: such a zone keeps standard
        // time all year.
        if (start.IsValid() && end.IsValid()) {
            if (start <= end) { // northern pattern
                dstNow = start <= now && now < end;
            } else { // southern pattern: the period wraps the year's end
                dstNow = now < end || now >= start;
            }
        }
        if (dstNow) {
            offset = SaturatedMinutes(-(std::int64_t{tzi.Bias} + tzi.DaylightBias));
            abbreviation = tzi.DaylightName;
        }
    } else {
        offset = SaturatedMinutes(-std::int64_t{tzi.Bias});
    }

    m_dstNow = dstNow;
    m_abbreviation = abbreviation;
    m_offsetMinutes = offset;

    int hours = 0;
    int minutes = 0;
    CLocalTimeInfo::SplitMinutes(offset, hours, minutes);
    return m_localTime.GetNowUtc() + DateTimeSpan(0, hours, minutes, 0);
}

} // namespace tarnwick
