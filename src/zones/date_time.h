// Calendar date-times and signed spans, the value types every clock line is built from.
//
// A DateTime is a wall-clock reading counted in days since 1899-12-30 00:00 (day 0), kept
// internally as whole seconds so that sums and comparisons at transition instants are exact.
// It carries no zone: whether a value is UTC or local is said by the variable's name.
// Days() gives the traditional fractional-day view. A value is invalid when it was built from
// out-of-range parts or arithmetic left the supported range (years 100 to 9999).
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

class DateTimeSpan {
public:
    DateTimeSpan() = default;
    DateTimeSpan(long days, int hours, int minutes, int seconds);
    static DateTimeSpan FromSeconds(std::int64_t totalSeconds);

    std::int64_t TotalSeconds() const { return m_seconds; }
    double TotalDays() const { return static_cast<double>(m_seconds) / 86400.0; }
    // Components carry the span's sign: -93784 s gives -1 day, -2 h, -3 min, -4 s.
    long GetDays() const;
    int GetHours() const;   // [-23, 23]
    int GetMinutes() const; // [-59, 59]
    int GetSeconds() const; // [-59, 59]

    // strftime-like: %D total days (no padding), %H %M %S two digits with a leading zero,
    // each carrying the span's sign ("-01"); %% a percent sign; other text is copied.
    std::string Format(const std::string& format) const;

    DateTimeSpan operator-() const { return FromSeconds(-m_seconds); }
    DateTimeSpan operator+(DateTimeSpan other) const {
        return FromSeconds(m_seconds + other.m_seconds);
    }
    DateTimeSpan operator-(DateTimeSpan other) const {
        return FromSeconds(m_seconds - other.m_seconds);
    }
    auto operator<=>(const DateTimeSpan&) const = default;

private:
    std::int64_t m_seconds = 0;
};

class DateTime {
public:
    enum class Status { Valid, Invalid };

    DateTime() = default; // 1899-12-30 00:00:00, valid
    // Invalid when a part is out of range (month 1-12, day within month, hour 0-23,
    // minute and second 0-59, year 100-9999).
    DateTime(int year, int month, int day, int hour, int minute, int second);

    static DateTime FromSerialSeconds(std::int64_t secondsSinceEpoch1899);
    static DateTime FromDays(double days); // rounded to the nearest second
    static DateTime FromUnixSeconds(std::int64_t unixSeconds);
    static DateTime Invalid();

    bool IsValid() const { return m_status == Status::Valid; }
    Status GetStatus() const { return m_status; }
    double Days() const { return static_cast<double>(m_seconds) / 86400.0; }
    std::int64_t SerialSeconds() const { return m_seconds; } // since 1899-12-30 00:00
    std::int64_t ToUnixSeconds() const;

    int GetYear() const;
    int GetMonth() const;     // [1, 12]
    int GetDay() const;       // [1, 31]
    int GetHour() const;      // [0, 23]
    int GetMinute() const;    // [0, 59]
    int GetSecond() const;    // [0, 59]
    int GetDayOfWeek() const; // [0, 6], 0 = Sunday
    int GetDayOfYear() const; // [1, 366]

    // strftime in the C locale (English names): %A %a %B %b %d %I %H %M %S %p %Y %y %m %j %%.
    // An invalid value formats as the empty string.
    std::string Format(const std::string& format) const;

    DateTime operator+(DateTimeSpan span) const;
    DateTime operator-(DateTimeSpan span) const;
    DateTimeSpan operator-(const DateTime& other) const;
    DateTime& operator+=(DateTimeSpan span) { return *this = *this + span; }
    DateTime& operator-=(DateTimeSpan span) { return *this = *this - span; }

    // Comparisons look at the instant only.
    bool operator==(const DateTime& o) const { return m_seconds == o.m_seconds; }
    auto operator<=>(const DateTime& o) const { return m_seconds <=> o.m_seconds; }

private:
    std::int64_t m_seconds = 0;
    Status m_status = Status::Valid;
};

// Days from the civil date to 1899-12-30 (proleptic Gregorian), and back.
std::int64_t DaysFromCivil1899(int year, int month, int day);
void CivilFromDays1899(std::int64_t days, int& year, int& month, int& day);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

} // namespace tarnwick
