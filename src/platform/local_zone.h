// The computer's own time zone, as the clock needs it: a Windows-style zone record with
// nth-weekday transition rules (built from the POSIX rule footer of the TZif file, or from a
// POSIX rule in TZ), and the offset and daylight flag the C library reports for an instant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tarnwick {

// A recurring transition rule in the layout of a Windows SYSTEMTIME with wYear 0:
// the wDay-th (1-4, 5 = last) wDayOfWeek (0 Sunday - 6 Saturday) of wMonth (1-12) at
// wHour:wMinute local wall time. wMonth 0 means "no rule".
struct TransitionRule {
    int wYear = 0;
    int wMonth = 0;
    int wDayOfWeek = 0;
    int wDay = 0;
    int wHour = 0;
    int wMinute = 0;
    int wSecond = 0;
    int wMilliseconds = 0;
    bool operator==(const TransitionRule&) const = default;
};

// The record's standard and daylight names are fixed fields of 32 characters.
inline constexpr std::size_t kZoneNameLength = 32;
inline std::string ZoneNameField(const std::string& name) {
    return name.substr(0, kZoneNameLength);
}

// Biases in minutes with the Windows sign: UTC = local + bias.
struct TimeZoneInformation {
    int Bias = 0;
    std::string StandardName;    // at most 32 characters
    TransitionRule StandardDate; // when standard time begins, in daylight wall time
    int StandardBias = 0;
    std::string DaylightName;    // at most 32 characters
    TransitionRule DaylightDate; // when daylight time begins, in standard wall time
    int DaylightBias = 0;
    bool operator==(const TimeZoneInformation&) const = default;
};

// What the C library says of one instant in the computer's zone.
struct LocalInstant {
    int offsetMinutes = 0; // local = UTC + offset
    bool isDst = false;
    std::string abbreviation; // "CEST", "-03", "UTC"
};

class ILocalZone {
public:
    virtual ~ILocalZone() = default;
    virtual TimeZoneInformation GetTimeZoneInformation() const = 0;
    virtual LocalInstant At(std::int64_t unixSeconds) const = 0;
    // The name shown on the clock for the zone in force at that instant: the long name where
    // one is known, else the abbreviation.
    virtual std::string DisplayName(std::int64_t unixSeconds) const = 0;
    // Catches up with a change of the computer's zone (TZ, or what /etc/localtime is or links
    // to): cheap when nothing changed, so the clock calls it every tick. True when the zone
    // was read afresh. Safe while other threads use the object.
    virtual bool Refresh() const { return false; }
};

// The process's zone: TZ when set (a POSIX rule or a name under /usr/share/zoneinfo), else
// /etc/localtime. A TZ that names no zone or holds a malformed rule falls back to UTC.
std::unique_ptr<ILocalZone> MakeSystemLocalZone();
// For tests: systemZoneFile stands for /etc/localtime when TZ is unset, for the record, the
// zone name and Refresh (the C library itself still reads /etc/localtime).
std::unique_ptr<ILocalZone> MakeSystemLocalZone(const std::string& systemZoneFile);

// A zone with a fixed offset and no daylight saving, for tests.
class FixedLocalZone final : public ILocalZone {
public:
    FixedLocalZone(int offsetMinutes, std::string name);
    TimeZoneInformation GetTimeZoneInformation() const override { return m_tzi; }
    LocalInstant At(std::int64_t) const override;
    std::string DisplayName(std::int64_t) const override { return m_tzi.StandardName; }

private:
    TimeZoneInformation m_tzi;
};

} // namespace tarnwick
