#include "display/display_text.h"

#include <cstdio>

#include "platform/product.h"
#include "zones/local_time_info.h"
#include "zones/zone_clock.h"

namespace tarnwick {

namespace {

// The server name becomes part of a span format; a '%' in it must stay a '%'.
std::string EscapePercent(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '%') {
            out += '%';
        }
    }
    return out;
}

std::string SpanStatus(const char* heading, const TimeSyncSnapshot& sync) {
    const std::string format = std::string(heading) + kCrLf + EscapePercent(sync.currentServer) +
                               kCrLf + "Days:%D Hours:%H" + kCrLf + "Minutes:%M Seconds:%S";
    std::string text = DateTimeSpan::FromSeconds(sync.differenceSeconds).Format(format);
    if (sync.estimate) {
        text += kCrLf + EstimateLine(*sync.estimate);
    }
    for (const std::string& note : sync.notes) {
        text += kCrLf + note;
    }
    return text;
}

std::string Plural(std::int64_t count, const char* unit) {
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

std::string Seconds(std::int64_t microseconds, bool sign) {
    char text[48];
    std::snprintf(text, sizeof text, sign ? "%+.3f s" : "%.3f s",
                  static_cast<double>(microseconds) / 1e6);
    return text;
}

} // namespace

std::string SpanInWords(std::int64_t microseconds, int units) {
    // Years and months of the Gregorian calendar's average length.
    static constexpr struct {
        std::int64_t seconds;
        const char* name;
    } kUnits[] = {{31556952, "year"}, {2629746, "month"}, {86400, "day"},
                  {3600, "hour"},     {60, "minute"},     {1, "second"}};
    const std::uint64_t size = microseconds < 0 ? 0 - static_cast<std::uint64_t>(microseconds)
                                                : static_cast<std::uint64_t>(microseconds);
    std::int64_t left = static_cast<std::int64_t>(size / 1'000'000);
    if (left < 60) {
        return Seconds(static_cast<std::int64_t>(size), false);
    }
    std::string words;
    int named = 0;
    for (const auto& unit : kUnits) {
        const std::int64_t count = left / unit.seconds;
        left %= unit.seconds;
        if (named == 0 && count == 0) {
            continue;
        }
        if (count != 0) {
            words += (named == 0 ? "" : ", ") + Plural(count, unit.name);
        }
        if (++named == units) {
            break;
        }
    }
    return words;
}

std::string SignedSpanInWords(std::int64_t microseconds, int units) {
    return (microseconds < 0 ? "-" : "+") + SpanInWords(microseconds, units);
}

std::string EstimateLine(const OffsetInterval& estimate) {
    return "Offset " + Seconds(estimate.Middle(), true) + " (\u00b1 " +
           Seconds(estimate.HalfWidth(), false) + ")";
}

std::string FormatClockTime(const DateTime& time) {
    return time.Format(kClockFormat);
}

std::string FormatOffsetLabel(const std::string& label, std::int32_t offsetMinutes) {
    int hours = 0;
    int minutes = 0;
    CLocalTimeInfo::SplitMinutes(offsetMinutes, hours, minutes);
    char number[32];
    if (minutes == 0) {
        std::snprintf(number, sizeof number, "%d", hours);
    } else {
        std::snprintf(number, sizeof number, "%0.2lf", offsetMinutes / 60.0);
    }
    const char* sign = offsetMinutes >= 0 ? "+" : "";
    return label + " (" + sign + number + ")";
}

std::string StatusBlock::Next(const TimeSyncSnapshot& sync, bool showUpdateMessage,
                              const std::string& updateMessage) {
    switch (sync.status) {
    case StatusNotSynchronized:
        m_statusText = std::string(kCrLf) + "Time above is not synchronized" + kCrLf +
                       "with a time server." + kCrLf + "Push the \"Check\" buton to synchronize.";
        break;
    case StatusConnecting:
        m_statusText = std::string(kCrLf) + "Connecting with Time Server: " + kCrLf + kCrLf +
                       sync.currentServer;
        break;
    case StatusDifference:
        m_statusText = SpanStatus("Difference of Time Server:", sync);
        break;
    case StatusSynchronized:
        m_statusText = SpanStatus("Synchronized with Time Server:", sync);
        break;
    default:
        break; // an unknown status keeps the last text
    }

    const std::string statusBlock =
        std::string(kCrLf) + kCrLf + m_statusText + kCrLf + kCrLf + kCrLf;
    if (!showUpdateMessage) {
        return statusBlock;
    }
    if (m_phase == Phase::Message) {
        if (++m_count == 3) {
            m_count = 0;
            m_phase = Phase::Status;
        }
        return std::string(kCrLf) + kCrLf + updateMessage + kCrLf + kCrLf + kCrLf + kCrLf;
    }
    if (++m_count == 2) {
        m_count = 0;
        m_phase = Phase::Message;
    }
    return statusBlock;
}

ClockTimes ReadClockTimes(CLocalTimeInfo& local, CZoneClock& other) {
    ClockTimes times;
    // A change of the computer's zone shows in the very tick that follows it.
    local.FollowZoneChange();
    times.localNow = local.GetNowLocal();
    times.gmtNow = local.GetNowUtc();
    times.otherNow = other.GetZoneTime();
    times.otherLabel = other.GetAbbreviation();
    times.otherOffsetMinutes = other.GetOffsetMinutes();
    times.localOffsetMinutes = local.GetLocalOffsetMinutes();
    times.localLabel = local.GetLocalZoneName();
    return times;
}

std::string BuildTipText(const DateTime& localNow, const std::optional<OffsetInterval>& estimate) {
    std::string tip = std::string(kProductName) + "  " + FormatClockTime(localNow);
    if (tip.size() > kTipCharacters) {
        tip.resize(kTipCharacters);
    }
    if (estimate) {
        tip += "\n" + EstimateLine(*estimate);
    }
    return tip;
}

std::string BuildPreviewText(const std::string& abbreviation, const DateTime& zoneNow) {
    return abbreviation + "    " + FormatClockTime(zoneNow);
}

int MillisecondsToNextTick(std::int64_t nowUnixMilliseconds) {
    const std::int64_t intoSecond = ((nowUnixMilliseconds % 1000) + 1000) % 1000;
    return static_cast<int>(1000 - intoSecond) + kTickLeadMs;
}

std::string BuildDisplayText(const ClockTimes& times, const std::string& statusBlock) {
    std::string text;
    text += kCrLf;
    text += FormatOffsetLabel(times.otherLabel, times.otherOffsetMinutes) + kCrLf;
    text += FormatClockTime(times.otherNow) + kCrLf;
    text += kCrLf;
    text += FormatOffsetLabel(times.localLabel, times.localOffsetMinutes) + kCrLf;
    text += FormatClockTime(times.localNow) + kCrLf;
    text += kCrLf;
    text += FormatOffsetLabel("Greenwich Mean Time", 0) + kCrLf;
    text += FormatClockTime(times.gmtNow);
    text += statusBlock;
    return text;
}

} // namespace tarnwick
