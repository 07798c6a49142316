// POSIX TZ rule strings ("AEST-10AEDT,M10.1.0,M4.1.0/3") and the rule footer of TZif files,
// and their translation into the Windows-style zone record with nth-weekday rules.
#pragma once

#include <optional>
#include <string>

#include "platform/local_zone.h"

namespace tarnwick {

struct PosixTransition {
    enum class Kind { MonthWeekDay, JulianNoLeap /* Jn */, JulianZero /* n */ };
    Kind kind = Kind::MonthWeekDay;
    int month = 0;          // [1, 12] for Mm.w.d
    int week = 0;           // [1, 5], 5 = last
    int weekday = 0;        // [0, 6], 0 = Sunday
    int day = 0;            // Jn: [1, 365]; n: [0, 365]
    int timeSeconds = 7200; // local wall time of the change; may be negative or >= 24 h
};

struct PosixTzRule {
    std::string stdAbbr;
    // East positive: local = UTC + offset (the TZ string itself counts west positive).
    int stdOffsetSeconds = 0;
    bool hasDst = false;
    std::string dstAbbr;
    int dstOffsetSeconds = 0; // east positive; defaults to std + 1 h
    PosixTransition dstStart; // when daylight time begins (in standard wall time)
    PosixTransition dstEnd;   // when standard time begins (in daylight wall time)
};

std::optional<PosixTzRule> ParsePosixTz(const std::string& text);

// The last line of a version 2+ TZif file (empty when the zone has no footer rule);
// nullopt when the file cannot be read or is not TZif.
std::optional<std::string> ReadTzifFooter(const std::string& path);

// Fills tzi from a rule. Returns false (with why) when the record cannot express the rule
// exactly: a transition by day of the year, an hour outside [0, 24), a daylight shift that is
// negative or not whole minutes, an offset that is not whole minutes.
bool ToTimeZoneInformation(const PosixTzRule& rule, TimeZoneInformation& tzi, std::string& why);

} // namespace tarnwick
