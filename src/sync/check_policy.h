// What to do with a time server's answer, when the next check is due, and whether a network
// connection has just come up. No threads and no sockets here: the clock window and
// tarnwick-cli call these from their own threads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

class IClockSetter;
class IMessageBox;
class INetworkLink;

// The window's synchronisation status.
enum SyncStatusValue : int {
    StatusNotSynchronized = 0,
    StatusConnecting = 1,
    StatusDifference = 2,   // an answer came; the clock was left as it was
    StatusSynchronized = 3, // an answer came and the clock was set
};

// A server's answer.
struct TimeAnswer {
    std::string server;
    std::int64_t differenceSeconds = 0;  // server - local at receipt, whole seconds
    std::int64_t offsetMilliseconds = 0; // best estimate of server - local, milliseconds
};

// -margin <= difference <= margin; a negative margin holds nothing.
bool IsWithinMargin(std::int64_t differenceSeconds, int marginSeconds);

struct CheckOptions {
    int marginSeconds = 1; // CHECKTIMEMARGINOFERROR
    int updateOption = 0;  // CHECKTIMEUPDATEOPTION: 1068 never, 1069 ask, anything else set
};

struct Evaluation {
    int status = StatusDifference;
    bool setRefused = false; // the clock was to be set and the system refused
    std::string reason;      // the refusal's reason
};

// "Do you wish to synchronize your clock with the following server.  " CR LF and the
// difference text the display shows.
std::string SynchronizePromptText(const TimeAnswer& answer);

// The margin test and the update option; asks through messages and steps through setter.
Evaluation EvaluateAnswer(const TimeAnswer& answer, const CheckOptions& options,
                          IMessageBox& messages, IClockSetter& setter);

// Steps the clock by the answer's estimate; on refusal shows "I could not update the time."
// with the reason on a second line.
Evaluation SetClockFromDifference(const TimeAnswer& answer, IMessageBox& messages,
                                  IClockSetter& setter);

// The every-N-hours check as a due instant on the wall clock, so that any hour count works
// and a machine that slept through the due time checks once soon after it wakes.
class CheckSchedule {
public:
    // hours <= 0: no interval check.
    void Arm(std::int64_t nowUnixMilliseconds, int hours);
    void Disarm() { m_due.reset(); }
    bool IsArmed() const { return m_due.has_value(); }
    bool IsDue(std::int64_t nowUnixMilliseconds) const;
    // Milliseconds until due, at least 0; nullopt when not armed.
    std::optional<std::int64_t> RemainingMilliseconds(std::int64_t nowUnixMilliseconds) const;

private:
    std::optional<std::int64_t> m_due; // UTC milliseconds since 1970
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
