// The text of the main window's display, composed here so the window only shows it:
//   other zone label + time, local zone label + time, GMT label + time, then the status
//   block chosen by the synchronisation status, alternating with an update message.
// Lines are joined by CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "sync/sync_state.h"
#include "zones/date_time.h"

namespace tarnwick {

class CZoneClock;
class CLocalTimeInfo;

inline constexpr const char* kClockFormat = "%A, %B %d, %Y  %I:%M:%S %p";
inline constexpr const char* kCrLf = "\r\n";

std::string FormatClockTime(const DateTime& time);
// label + " (" + sign + number + ")": 330 -> (+5.50), -480 -> (-8), 0 -> (+0), -30 -> (-0.50)
std::string FormatOffsetLabel(const std::string& label, std::int32_t offsetMinutes);

// The size of a span in words: from a minute up its largest calendar units, two by default
// ("79 years, 2 months", "16 hours", "1 day, 2 hours"), below a minute seconds with three
// decimals ("0.734 s"). The sign is dropped; SignedSpanInWords puts "+" or "-" in front.
std::string SpanInWords(std::int64_t microseconds, int units = 2);
std::string SignedSpanInWords(std::int64_t microseconds, int units = 2);
// "Offset +0.012 s (± 0.018 s)": the estimate (server - local) and its bound.
std::string EstimateLine(const OffsetInterval& estimate);

// The status block and its alternation with the update message; one per window.
class StatusBlock {
public:
    // Advances the alternation by one tick and returns the block to append to the clocks.
    // After an answer the difference is followed by the estimate line and the notes.
    std::string Next(const TimeSyncSnapshot& sync, bool showUpdateMessage,
                     const std::string& updateMessage);
    const std::string& StatusText() const { return m_statusText; }

private:
    enum class Phase { Message, Status };
    std::string m_statusText;
    Phase m_phase = Phase::Message;
    int m_count = 0;
};

struct ClockTimes {
    DateTime otherNow;
    std::string otherLabel;
    std::int32_t otherOffsetMinutes = 0;
    DateTime localNow;
    std::string localLabel;
    std::int32_t localOffsetMinutes = 0;
    DateTime gmtNow;
};

// Reads the three clocks for one tick, in the window's order, after catching up with a change
// of the computer's zone: local now, GMT now (which refreshes the local zone's name), the
// other zone's time (which refreshes its label).
ClockTimes ReadClockTimes(CLocalTimeInfo& local, CZoneClock& other);

// The notification icon's tip: the program's name, two blanks and the local time, cut to the
// 63 characters a tip line holds; then, once a check has measured it, the estimate line.
inline constexpr std::size_t kTipCharacters = 63;
std::string BuildTipText(const DateTime& localNow,
                         const std::optional<OffsetInterval>& estimate = std::nullopt);
// The zone editor's preview line: the abbreviation in force, four blanks, the zone's time.
std::string BuildPreviewText(const std::string& abbreviation, const DateTime& zoneNow);

// The clock ticks just after each whole second of the wall clock, so every second is shown
// and none lags its start by more than the tick's latency. The delay from nowUnixMilliseconds
// to kTickLeadMs past the next whole second; a tick that fires a little early (timers and the
// wall clock can disagree by a few milliseconds) is thereby followed by one a few
// milliseconds later, in the second it missed.
inline constexpr int kTickLeadMs = 5;
int MillisecondsToNextTick(std::int64_t nowUnixMilliseconds);

std::string BuildDisplayText(const ClockTimes& times, const std::string& statusBlock);

} // namespace tarnwick
