// The computer's own zone: its current offset and name, the current UTC and local time, and
// the turning of nth-weekday rules into dates of the computer's current year.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/local_zone.h"
#include "zones/date_time.h"

namespace tarnwick {

// Minutes clamped to [-INT_MAX, INT_MAX]: sums of biases from hand-edited records never overflow.
int SaturatedMinutes(std::int64_t minutes);

class CLocalTimeInfo {
public:
    CLocalTimeInfo(const IClock& clock, const ILocalZone& zone);

    // local = UTC + result; also stores the name of the zone in force.
    std::int32_t GetLocalOffsetMinutes();
    DateTime GetNowLocal(); // the current local wall time
    DateTime GetNowUtc();   // the current local time less GetLocalOffsetMinutes
    std::string GetLocalZoneName() const { return m_zoneName; }
    TimeZoneInformation GetTimeZoneInformation() const { return m_zone.GetTimeZoneInformation(); }
    // Reads the computer's zone afresh when it changed (TZ, /etc/localtime); true then.
    bool FollowZoneChange() { return m_zone.Refresh(); }

    // Always true; out gets one date for occurrence 1-5 and month 1-12, none otherwise.
    bool FindWeekdayInMonth(int occurrence, int dayOfWeek, int month, int hour, int minute,
                            std::vector<DateTime>& out);
    // The rule's date in the computer's current year; invalid when the rule gives none.
    DateTime GetRuleDate(const TransitionRule& rule);
    DateTime GetTransitionUtc(int bias, int ruleBias, const TransitionRule& rule);
    static void SplitMinutes(int total, int& hours, int& minutes);

    bool IsUSDaylightSavingTime(const DateTime& date);
    DateTime GetUSStart() const { return m_usStart; }
    DateTime GetUSEnd() const { return m_usEnd; }

    const IClock& Clock() const { return m_clock; }
    const ILocalZone& Zone() const { return m_zone; }

private:
    std::int32_t ReadNow(std::int64_t& unixSeconds);

    const IClock& m_clock;
    const ILocalZone& m_zone;
    std::string m_zoneName;
    DateTime m_usStart;
    DateTime m_usEnd;
};

} // namespace tarnwick
