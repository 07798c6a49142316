#include "zones/local_time_info.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace tarnwick {

int SaturatedMinutes(std::int64_t minutes) {
    return static_cast<int>(std::clamp<std::int64_t>(minutes, -INT_MAX, INT_MAX));
}

CLocalTimeInfo::CLocalTimeInfo(const IClock& clock, const ILocalZone& zone)
    : m_clock(clock), m_zone(zone) {}

// Reads the clock once and stores the name of the zone in force, so that the offset always
// belongs to the instant it is applied to, even in the second of a transition.
std::int32_t CLocalTimeInfo::ReadNow(std::int64_t& unixSeconds) {
    unixSeconds = m_clock.NowUnixSeconds();
    m_zoneName = m_zone.DisplayName(unixSeconds);
    return m_zone.At(unixSeconds).offsetMinutes;
}

std::int32_t CLocalTimeInfo::GetLocalOffsetMinutes() {
    std::int64_t now = 0;
    return ReadNow(now);
}

DateTime CLocalTimeInfo::GetNowLocal() {
    std::int64_t now = 0;
    const std::int32_t offset = ReadNow(now);
    return DateTime::FromUnixSeconds(now) + DateTimeSpan(0, 0, offset, 0);
}

DateTime CLocalTimeInfo::GetNowUtc() {
    std::int64_t now = 0;
    const std::int32_t offset = ReadNow(now);
    const DateTime local = DateTime::FromUnixSeconds(now) + DateTimeSpan(0, 0, offset, 0);
    return local - DateTimeSpan(0, 0, offset, 0);
}

bool CLocalTimeInfo::FindWeekdayInMonth(int occurrence, int dayOfWeek, int month, int hour,
                                        int minute, std::vector<DateTime>& out) {
    // A rule outside these ranges names no date. A time of day outside the clock (hour 24 or
    // 40, minute 60) gives none either, rather than a date shifted into another day.
    if (occurrence < 1 || occurrence > 5 || month < 1 || month > 12 || dayOfWeek < 0 ||
        dayOfWeek > 6 || hour < 0 || hour > 23 || minute < 0 || minute > 59) {
        return true;
    }
    const int year = GetNowLocal().GetYear();
    DateTime day(year, month, 1, hour, minute, 0);
    int count = 0;
    DateTime lastMatch = DateTime::Invalid();
    while (day.IsValid() && day.GetMonth() == month) {
        if (day.GetDayOfWeek() == dayOfWeek) {
            ++count;
            lastMatch = day;
            if (count == occurrence && occurrence <= 4) {
                out.push_back(day);
                return true;
            }
        }
        day += DateTimeSpan(1, 0, 0, 0);
    }
    if (occurrence == 5 && lastMatch.IsValid()) {
        out.push_back(lastMatch);
    }
    return true;
}

DateTime CLocalTimeInfo::GetRuleDate(const TransitionRule& rule) {
    std::vector<DateTime> dates;
    FindWeekdayInMonth(rule.wDay, rule.wDayOfWeek, rule.wMonth, rule.wHour, rule.wMinute, dates);
    return dates.empty() ? DateTime::Invalid() : dates.front();
}

DateTime CLocalTimeInfo::GetTransitionUtc(int bias, int ruleBias, const TransitionRule& rule) {
    int hours = 0;
    int minutes = 0;
    SplitMinutes(SaturatedMinutes(std::int64_t{bias} + ruleBias), hours, minutes);
    return GetRuleDate(rule) + DateTimeSpan(0, hours, minutes, 0);
}

void CLocalTimeInfo::SplitMinutes(int total, int& hours, int& minutes) {
    const std::int64_t a = std::llabs(total); // |INT_MIN| does not fit an int
    hours = static_cast<int>(static_cast<double>(a) * (1.0 / 60.0));
    minutes = static_cast<int>(a - std::int64_t{60} * hours);
    if (minutes == 60) { // the product fell just below a whole hour
        ++hours;
        minutes = 0;
    }
    if (total < 0) {
        hours = -hours;
        minutes = -minutes;
    }
}

// The US rule in force in the computer's current year (the period is always evaluated in that
// year): from 2007 the second Sunday of March to the first Sunday of November; 1987 to 2006
// the first Sunday of April to the last Sunday of October. Earlier years use the 1987 rule.
bool CLocalTimeInfo::IsUSDaylightSavingTime(const DateTime& date) {
    std::vector<DateTime> starts;
    std::vector<DateTime> ends;
    if (GetNowLocal().GetYear() >= 2007) {
        FindWeekdayInMonth(2, 0, 3, 2, 0, starts);
        FindWeekdayInMonth(1, 0, 11, 2, 0, ends);
    } else {
        FindWeekdayInMonth(1, 0, 4, 2, 0, starts);
        FindWeekdayInMonth(5, 0, 10, 2, 0, ends);
    }
    m_usStart = starts.front();
    m_usEnd = ends.front();
    return m_usStart <= date && date <= m_usEnd;
}

} // namespace tarnwick
