#include "zones/date_time.h"

#include <cmath>
#include <cstdio>

namespace tarnwick {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kUnixEpochDays = 25569; // 1970-01-01 counted from 1899-12-30
constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;

// Floor division, so that instants before 1899-12-30 fall on the day they belong to.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
    return a - FloorDiv(a, b) * b;
}

// Supported instants: 0100-01-01 00:00:00 to 9999-12-31 23:59:59.
std::int64_t MinSerialSeconds() {
    return DaysFromCivil1899(kMinYear, 1, 1) * kSecondsPerDay;
}
std::int64_t MaxSerialSeconds() {
    return DaysFromCivil1899(kMaxYear + 1, 1, 1) * kSecondsPerDay - 1;
}

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::string Padded(long value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*ld", width, value);
    return buffer;
}

// Two digits with a leading zero, the sign in front: -1 -> "-01".
std::string SignedTwoDigits(long value) {
    return (value < 0 ? "-" : "") + Padded(value < 0 ? -value : value, 2);
}

std::string StripLeadingZeros(const std::string& text) {
    std::size_t i = 0;
    while (i + 1 < text.size() && text[i] == '0') {
        ++i;
    }
    return text.substr(i);
}

} // namespace

// Howard Hinnant's days_from_civil, shifted from 1970-01-01 to 1899-12-30.
std::int64_t DaysFromCivil1899(int year, int month, int day) {
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;                                            // [0, 399]
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1; // [0, 365]
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy; // [0, 146096]
    return era * 146097 + doe - 719468 + kUnixEpochDays;
}

void CivilFromDays1899(std::int64_t days, int& year, int& month, int& day) {
    const std::int64_t z = days - kUnixEpochDays + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;                                      // [0, 146096]
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365; // [0, 399]
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);               // [0, 365]
    const std::int64_t mp = (5 * doy + 2) / 153;                                    // [0, 11]
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// ---- DateTimeSpan ----

DateTimeSpan::DateTimeSpan(long days, int hours, int minutes, int seconds)
    : m_seconds(static_cast<std::int64_t>(days) * kSecondsPerDay +
                static_cast<std::int64_t>(hours) * 3600 + static_cast<std::int64_t>(minutes) * 60 +
                seconds) {}

DateTimeSpan DateTimeSpan::FromSeconds(std::int64_t totalSeconds) {
    DateTimeSpan span;
    span.m_seconds = totalSeconds;
    return span;
}

// C++ division truncates toward zero, so every component keeps the sign of the whole span.
long DateTimeSpan::GetDays() const {
    return static_cast<long>(m_seconds / kSecondsPerDay);
}
int DateTimeSpan::GetHours() const {
    return static_cast<int>(m_seconds % kSecondsPerDay / 3600);
}
int DateTimeSpan::GetMinutes() const {
    return static_cast<int>(m_seconds % 3600 / 60);
}
int DateTimeSpan::GetSeconds() const {
    return static_cast<int>(m_seconds % 60);
}

std::string DateTimeSpan::Format(const std::string& format) const {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        const char code = format[++i];
        switch (code) {
        case 'D':
            out += std::to_string(GetDays());
            break;
        case 'H':
            out += SignedTwoDigits(GetHours());
            break;
        case 'M':
            out += SignedTwoDigits(GetMinutes());
            break;
        case 'S':
            out += SignedTwoDigits(GetSeconds());
            break;
        case '%':
            out += '%';
            break;
        default: // unknown codes are copied as written
            out += '%';
            out += code;
            break;
        }
    }
    return out;
}

// ---- DateTime ----

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        m_status = Status::Invalid;
        return;
    }
    m_seconds =
        DaysFromCivil1899(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

DateTime DateTime::FromSerialSeconds(std::int64_t secondsSinceEpoch1899) {
    if (secondsSinceEpoch1899 < MinSerialSeconds() || secondsSinceEpoch1899 > MaxSerialSeconds()) {
        return Invalid();
    }
    DateTime value;
    value.m_seconds = secondsSinceEpoch1899;
    return value;
}

DateTime DateTime::FromDays(double days) {
    const double seconds = std::round(days * static_cast<double>(kSecondsPerDay));
    if (!std::isfinite(seconds) || seconds < static_cast<double>(MinSerialSeconds()) ||
        seconds > static_cast<double>(MaxSerialSeconds())) {
        return Invalid();
    }
    return FromSerialSeconds(static_cast<std::int64_t>(seconds));
}

DateTime DateTime::FromUnixSeconds(std::int64_t unixSeconds) {
    const std::int64_t offset = kUnixEpochDays * kSecondsPerDay;
    if (unixSeconds < MinSerialSeconds() - offset || unixSeconds > MaxSerialSeconds() - offset) {
        return Invalid();
    }
    return FromSerialSeconds(unixSeconds + offset);
}

DateTime DateTime::Invalid() {
    DateTime value;
    value.m_status = Status::Invalid;
    return value;
}

std::int64_t DateTime::ToUnixSeconds() const {
    return m_seconds - kUnixEpochDays * kSecondsPerDay;
}

int DateTime::GetYear() const {
    int y = 0, m = 0, d = 0;
    CivilFromDays1899(FloorDiv(m_seconds, kSecondsPerDay), y, m, d);
    return y;
}

int DateTime::GetMonth() const {
    int y = 0, m = 0, d = 0;
    CivilFromDays1899(FloorDiv(m_seconds, kSecondsPerDay), y, m, d);
    return m;
}

int DateTime::GetDay() const {
    int y = 0, m = 0, d = 0;
    CivilFromDays1899(FloorDiv(m_seconds, kSecondsPerDay), y, m, d);
    return d;
}

int DateTime::GetHour() const {
    return static_cast<int>(FloorMod(m_seconds, kSecondsPerDay) / 3600);
}
int DateTime::GetMinute() const {
    return static_cast<int>(FloorMod(m_seconds, 3600) / 60);
}
int DateTime::GetSecond() const {
    return static_cast<int>(FloorMod(m_seconds, 60));
}

int DateTime::GetDayOfWeek() const {
    // Day 0 (1899-12-30) was a Saturday.
    return static_cast<int>(FloorMod(FloorDiv(m_seconds, kSecondsPerDay) + 6, 7));
}

int DateTime::GetDayOfYear() const {
    const std::int64_t days = FloorDiv(m_seconds, kSecondsPerDay);
    return static_cast<int>(days - DaysFromCivil1899(GetYear(), 1, 1) + 1);
}

std::string DateTime::Format(const std::string& format) const {
    if (!IsValid()) {
        return {};
    }
    int year = 0, month = 0, day = 0;
    CivilFromDays1899(FloorDiv(m_seconds, kSecondsPerDay), year, month, day);
    const int hour = GetHour();
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;

    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        // "%#d": the same field without leading zeros.
        bool noPadding = false;
        if (format[i + 1] == '#' && i + 2 < format.size()) {
            noPadding = true;
            ++i;
        }
        const char code = format[++i];
        std::string field;
        switch (code) {
        case 'A':
            field = kDayNames[GetDayOfWeek()];
            break;
        case 'a':
            field = std::string(kDayNames[GetDayOfWeek()], 3);
            break;
        case 'B':
            field = kMonthNames[month - 1];
            break;
        case 'b':
            field = std::string(kMonthNames[month - 1], 3);
            break;
        case 'd':
            field = Padded(day, 2);
            break;
        case 'H':
            field = Padded(hour, 2);
            break;
        case 'I':
            field = Padded(hour12, 2);
            break;
        case 'M':
            field = Padded(GetMinute(), 2);
            break;
        case 'S':
            field = Padded(GetSecond(), 2);
            break;
        case 'p':
            field = hour < 12 ? "AM" : "PM";
            break;
        case 'Y':
            field = std::to_string(year);
            break;
        case 'y':
            field = Padded(year % 100, 2);
            break;
        case 'm':
            field = Padded(month, 2);
            break;
        case 'j':
            field = Padded(GetDayOfYear(), 3);
            break;
        case '%':
            field = "%";
            break;
        default: // unknown codes are copied as written
            field = std::string("%") + (noPadding ? "#" : "") + code;
            noPadding = false;
            break;
        }
        out += noPadding ? StripLeadingZeros(field) : field;
    }
    return out;
}

DateTime DateTime::operator+(DateTimeSpan span) const {
    std::int64_t sum = 0;
    if (!IsValid() || __builtin_add_overflow(m_seconds, span.TotalSeconds(), &sum)) {
        return Invalid();
    }
    return FromSerialSeconds(sum);
}

DateTime DateTime::operator-(DateTimeSpan span) const {
    std::int64_t difference = 0;
    if (!IsValid() || __builtin_sub_overflow(m_seconds, span.TotalSeconds(), &difference)) {
        return Invalid();
    }
    return FromSerialSeconds(difference);
}

DateTimeSpan DateTime::operator-(const DateTime& other) const {
    return DateTimeSpan::FromSeconds(m_seconds - other.m_seconds);
}

} // namespace tarnwick
