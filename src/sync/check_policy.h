// What to do with a check's outcome, when the next check is due, and whether a network
// connection has just come up. No threads and no sockets here: the clock window and
// tarnwick-cli call these from their own threads.
//
// Before any step the outcome must rest on agreeing servers (two when the list names two or
// more hosts); a step beyond 15 hours is always asked, its size in words; while the system
// keeps the clock by NTP a check only shows what it found.
#pragma once

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "sync/offset_search.h"
#include "sync/sync_state.h"

namespace tarnwick {

class IClockSetter;
class IMessageBox;
class INetworkLink;
struct SystemTimeStatus;

// -margin <= difference <= margin; a negative margin holds nothing.
bool IsWithinMargin(std::int64_t differenceSeconds, int marginSeconds);

struct CheckOptions {
    int marginSeconds = 1; // CHECKTIMEMARGINOFERROR
    int updateOption = 0;  // CHECKTIMEUPDATEOPTION: 1068 never, 1069 ask, anything else set
};

struct Evaluation {
    SyncStatusValue status = StatusDifference;
    bool stepped = false;    // the clock was stepped
    bool setRefused = false; // the clock was to be set and was not (refused, not agreed, ...)
    std::string reason;      // why it was not set
    std::vector<std::string> notes; // for the status block
};

// "127.0.0.2 disagrees by +79 years; ignored", one per server outside the agreeing group.
std::vector<std::string> DisagreementNotes(const CheckOutcome& outcome);
// "NTP keeps this clock (synchronized)".
std::string SystemTimeNote(const SystemTimeStatus& status);

// The status block's text for an outcome: its server, difference and estimate, and notes.
std::string OutcomeStatusText(const CheckOutcome& outcome, SyncStatusValue status,
                              std::vector<std::string> notes);

// "Do you wish to synchronize your clock with the following server.  " CR LF and the
// difference text the display shows.
std::string SynchronizePromptText(const CheckOutcome& outcome);

// The margin, the guard and the update option; asks through messages and steps through setter
// by the outcome's estimate.
Evaluation EvaluateCheck(const CheckOutcome& outcome, const CheckOptions& options,
                         const SystemTimeStatus& system, IMessageBox& messages,
                         IClockSetter& setter, std::stop_token stop = {});

// The every-N-hours check as a due point of elapsed time (IElapsedClock): any hour count
// works, a step of the wall clock does not move it, and a machine that slept through the due
// time checks once soon after it wakes.
class CheckSchedule {
public:
    // hours <= 0: no interval check.
    void Arm(std::int64_t nowElapsedMilliseconds, int hours);
    void Disarm() { m_due.reset(); }
    bool IsArmed() const { return m_due.has_value(); }
    bool IsDue(std::int64_t nowElapsedMilliseconds) const;
    // Milliseconds until due, at least 0; nullopt when not armed.
    std::optional<std::int64_t> RemainingMilliseconds(std::int64_t nowElapsedMilliseconds) const;

private:
    std::optional<std::int64_t> m_due; // elapsed milliseconds
};

// The "network connection comes up" trigger, polled every kPollMilliseconds.
class CDialUpMonitor {
public:
    static constexpr int kPollMilliseconds = 5000;
    explicit CDialUpMonitor(const INetworkLink& link) : m_link(link) {}
    bool IsDialUpConnected() const;
    // One poll: true when a check should start (a connection up at the first poll, or one
    // that came up after having been down).
    bool Poll();

private:
    const INetworkLink& m_link;
    bool m_lastConnected = false;
    bool m_connectionChanged = true;
};

} // namespace tarnwick
