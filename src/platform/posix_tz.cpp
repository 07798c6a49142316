#include "platform/posix_tz.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace tarnwick {

namespace {

// A cursor over the rule text; every parse step either advances past what it read or fails.
class Cursor {
public:
    explicit Cursor(const std::string& text) : m_text(text) {}
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    bool Take(char c) {
        if (Peek() != c || AtEnd()) {
            return false;
        }
        ++m_pos;
        return true;
    }
    char Next() { return m_text[m_pos++]; }

private:
    const std::string& m_text;
    std::size_t m_pos = 0;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlpha(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Up to maxDigits decimal digits, at least one; value in [0, maxValue].
bool ParseNumber(Cursor& in, int maxDigits, int maxValue, int& value) {
    if (!IsDigit(in.Peek())) {
        return false;
    }
    value = 0;
    int digits = 0;
    while (IsDigit(in.Peek())) {
        if (++digits > maxDigits) {
            return false;
        }
        value = value * 10 + (in.Next() - '0');
    }
    return value <= maxValue;
}

// An abbreviation: three or more letters, or <...> holding three or more letters, digits,
// '+' and '-' (for the numeric names such as "<+0330>").
bool ParseName(Cursor& in, std::string& name) {
    name.clear();
    if (in.Take('<')) {
        while (!in.AtEnd() && in.Peek() != '>') {
            const char c = in.Next();
            if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-') {
                return false;
            }
            name += c;
        }
        return in.Take('>') && name.size() >= 3;
    }
    while (IsAlpha(in.Peek())) {
        name += in.Next();
    }
    return name.size() >= 3;
}

// [+|-]hh[:mm[:ss]] in seconds, with the sign as written. Offsets allow hours 0-24, transition
// times 0-167 (the extension of version 3 TZif footers).
bool ParseSignedTime(Cursor& in, int maxHours, int& seconds) {
    int sign = 1;
    if (in.Take('-')) {
        sign = -1;
    } else {
        in.Take('+');
    }
    int hours = 0;
    int minutes = 0;
    int secs = 0;
    if (!ParseNumber(in, 3, maxHours, hours)) {
        return false;
    }
    if (in.Take(':')) {
        if (!ParseNumber(in, 2, 59, minutes)) {
            return false;
        }
        if (in.Take(':') && !ParseNumber(in, 2, 59, secs)) {
            return false;
        }
    }
    seconds = sign * (hours * 3600 + minutes * 60 + secs);
    return true;
}

bool ParseTransition(Cursor& in, PosixTransition& out) {
    out = PosixTransition{};
    if (in.Take('M')) {
        out.kind = PosixTransition::Kind::MonthWeekDay;
        if (!ParseNumber(in, 2, 12, out.month) || out.month < 1 || !in.Take('.') ||
            !ParseNumber(in, 1, 5, out.week) || out.week < 1 || !in.Take('.') ||
            !ParseNumber(in, 1, 6, out.weekday)) {
            return false;
        }
    } else if (in.Take('J')) {
        out.kind = PosixTransition::Kind::JulianNoLeap;
        if (!ParseNumber(in, 3, 365, out.day) || out.day < 1) {
            return false;
        }
    } else {
        out.kind = PosixTransition::Kind::JulianZero;
        if (!ParseNumber(in, 3, 365, out.day)) {
            return false;
        }
    }
    if (in.Take('/')) {
        return ParseSignedTime(in, 167, out.timeSeconds);
    }
    return true;
}

PosixTransition MonthWeekDay(int month, int week, int weekday) {
    PosixTransition t;
    t.month = month;
    t.week = week;
    t.weekday = weekday;
    return t;
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

struct TzifCounts {
    std::uint64_t isut, isstd, leap, time, type, chars;
};

constexpr std::size_t kTzifHeaderSize = 44;

bool ReadTzifHeader(const std::vector<unsigned char>& data, std::size_t at, TzifCounts& counts,
                    char& version) {
    if (data.size() < at + kTzifHeaderSize || data[at] != 'T' || data[at + 1] != 'Z' ||
        data[at + 2] != 'i' || data[at + 3] != 'f') {
        return false;
    }
    version = static_cast<char>(data[at + 4]);
    const unsigned char* c = data.data() + at + 20;
    counts = {BigEndian32(c),      BigEndian32(c + 4),  BigEndian32(c + 8),
              BigEndian32(c + 12), BigEndian32(c + 16), BigEndian32(c + 20)};
    return true;
}

// Size of a data block with time values of timeSize bytes (4 in version 1, 8 after).
std::uint64_t BlockSize(const TzifCounts& n, std::uint64_t timeSize) {
    return n.time * timeSize + n.time + n.type * 6 + n.chars + n.leap * (timeSize + 4) + n.isstd +
           n.isut;
}

bool ToRule(const PosixTransition& t, const char* which, TransitionRule& rule, std::string& why) {
    if (t.kind != PosixTransition::Kind::MonthWeekDay) {
        why = std::string("the ") + which + " is given as a day of the year";
        return false;
    }
    if (t.timeSeconds < 0 || t.timeSeconds >= 24 * 3600) {
        why = std::string("the ") + which + " falls at an hour outside 0 to 23";
        return false;
    }
    if (t.timeSeconds % 60 != 0) {
        why = std::string("the ") + which + " is not at a whole minute";
        return false;
    }
    rule = TransitionRule{};
    rule.wMonth = t.month;
    rule.wDay = t.week;
    rule.wDayOfWeek = t.weekday;
    rule.wHour = t.timeSeconds / 3600;
    rule.wMinute = t.timeSeconds % 3600 / 60;
    return true;
}

} // namespace

std::optional<PosixTzRule> ParsePosixTz(const std::string& text) {
    Cursor in(text);
    PosixTzRule rule;
    int westSeconds = 0;
    if (!ParseName(in, rule.stdAbbr) || !ParseSignedTime(in, 24, westSeconds)) {
        return std::nullopt;
    }
    rule.stdOffsetSeconds = -westSeconds;
    if (in.AtEnd()) {
        return rule;
    }

    rule.hasDst = true;
    if (!ParseName(in, rule.dstAbbr)) {
        return std::nullopt;
    }
    rule.dstOffsetSeconds = rule.stdOffsetSeconds + 3600;
    const char c = in.Peek();
    if (IsDigit(c) || c == '+' || c == '-') {
        if (!ParseSignedTime(in, 24, westSeconds)) {
            return std::nullopt;
        }
        rule.dstOffsetSeconds = -westSeconds;
    }
    if (in.AtEnd()) {
        // No dates: the C library then uses the United States rules, and so do we.
        rule.dstStart = MonthWeekDay(3, 2, 0);
        rule.dstEnd = MonthWeekDay(11, 1, 0);
        return rule;
    }
    if (!in.Take(',') || !ParseTransition(in, rule.dstStart) || !in.Take(',') ||
        !ParseTransition(in, rule.dstEnd) || !in.AtEnd()) {
        return std::nullopt;
    }
    return rule;
}

std::optional<std::string> ReadTzifFooter(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    // Zone files are a few kilobytes; anything far larger is not one.
    constexpr std::size_t kMaxSize = 1 << 20;
    std::vector<unsigned char> data;
    char buffer[4096];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        data.insert(data.end(), buffer, buffer + file.gcount());
        if (data.size() > kMaxSize) {
            return std::nullopt;
        }
    }
    if (file.bad()) {
        return std::nullopt; // e.g. a directory
    }

    TzifCounts v1{};
    char version = 0;
    if (!ReadTzifHeader(data, 0, v1, version)) {
        return std::nullopt;
    }
    const std::uint64_t v1End = kTzifHeaderSize + BlockSize(v1, 4);
    if (v1End > data.size()) {
        return std::nullopt;
    }
    if (version == '\0') {
        return std::string(); // version 1 has no footer
    }
    TzifCounts v2{};
    char version2 = 0;
    if (!ReadTzifHeader(data, v1End, v2, version2)) {
        return std::nullopt;
    }
    const std::uint64_t footerStart = v1End + kTzifHeaderSize + BlockSize(v2, 8);
    if (footerStart >= data.size() || data[footerStart] != '\n') {
        return std::nullopt;
    }
    std::string footer;
    for (std::uint64_t i = footerStart + 1; i < data.size(); ++i) {
        if (data[i] == '\n') {
            return footer;
        }
        footer += static_cast<char>(data[i]);
    }
    return std::nullopt; // no closing newline
}

bool ToTimeZoneInformation(const PosixTzRule& rule, TimeZoneInformation& tzi, std::string& why) {
    TimeZoneInformation out;
    if (rule.stdOffsetSeconds % 60 != 0) {
        why = "the standard offset is not a whole number of minutes";
        return false;
    }
    out.Bias = -rule.stdOffsetSeconds / 60;
    out.StandardName = ZoneNameField(rule.stdAbbr);
    if (rule.hasDst) {
        const int shift = rule.dstOffsetSeconds - rule.stdOffsetSeconds;
        if (shift < 0) {
            why = "daylight time is behind standard time";
            return false;
        }
        if (shift % 60 != 0) {
            why = "the daylight shift is not a whole number of minutes";
            return false;
        }
        out.DaylightName = ZoneNameField(rule.dstAbbr);
        out.DaylightBias = -shift / 60;
        if (!ToRule(rule.dstStart, "start of daylight time", out.DaylightDate, why) ||
            !ToRule(rule.dstEnd, "end of daylight time", out.StandardDate, why)) {
            return false;
        }
    }
    tzi = out;
    return true;
}

} // namespace tarnwick
