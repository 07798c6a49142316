#include "sync/check_policy.h"

#include <utility>

#include "display/display_text.h"
#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/network_link.h"
#include "platform/system_time.h"

namespace tarnwick {

namespace {

constexpr int kNever = 1068;
constexpr int kPrompt = 1069;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += kCrLf + line;
    }
    return text;
}

// The clock left alone for a reason the user reads in a box and, shorter, in the status.
Evaluation LeftAlone(Evaluation evaluation, const std::string& why, const std::string& note,
                     IMessageBox& messages) {
    evaluation.setRefused = true;
    evaluation.reason = why;
    messages.Show(why + Joined(evaluation.notes), kProductName, MessageButtons::Ok,
                  MessageIcon::Exclamation);
    evaluation.notes.push_back(note);
    return evaluation;
}

} // namespace

bool IsWithinMargin(std::int64_t differenceSeconds, int marginSeconds) {
    return -static_cast<std::int64_t>(marginSeconds) <= differenceSeconds &&
           differenceSeconds <= marginSeconds;
}

std::vector<std::string> DisagreementNotes(const CheckOutcome& outcome) {
    std::vector<std::string> notes;
    for (const ServerReport& report : outcome.servers) {
        if (report.verdict != ServerVerdict::Disagrees) {
            continue;
        }
        if (report.interval && !report.interval->IsEmpty()) {
            // One unit: a line the window's status block has room for.
            notes.push_back(
                report.entry + " disagrees by " +
                SignedSpanInWords(report.interval->Middle() - outcome.estimate.Middle(), 1) +
                "; ignored");
        } else {
            notes.push_back(report.entry + " contradicts itself; ignored");
        }
    }
    return notes;
}

std::string SystemTimeNote(const SystemTimeStatus& status) {
    // One line of the window's status block.
    return std::string("NTP keeps this clock (") +
           (status.Synchronized() ? "synchronized" : "not synchronized") + ")";
}

std::string OutcomeStatusText(const CheckOutcome& outcome, SyncStatusValue status,
                              std::vector<std::string> notes) {
    TimeSyncSnapshot sync;
    sync.status = status;
    sync.currentServer = outcome.server;
    sync.differenceSeconds = outcome.differenceSeconds;
    sync.estimate = outcome.estimate;
    sync.notes = std::move(notes);
    StatusBlock block;
    block.Next(sync, false, {});
    return block.StatusText();
}

std::string SynchronizePromptText(const CheckOutcome& outcome) {
    return std::string("Do you wish to synchronize your clock with the following server.  ") +
           kCrLf + OutcomeStatusText(outcome, StatusDifference, DisagreementNotes(outcome));
}

namespace {

Evaluation Step(Evaluation evaluation, const CheckOutcome& outcome, IMessageBox& messages,
                IClockSetter& setter, std::stop_token stop) {
    // The step is relative to the clock as it reads when the step is made, so the time the
    // user took to answer does not matter.
    const ClockStepResult result = setter.StepBy(outcome.estimate.Middle(), stop);
    if (result.ok) {
        evaluation.status = StatusSynchronized;
        evaluation.stepped = true;
        return evaluation;
    }
    evaluation.setRefused = true;
    evaluation.reason = result.reason;
    if (result.systemKeepsTime) {
        // A cross-check after all: nothing to refuse, nothing to advise.
        evaluation.notes.push_back("NTP keeps this clock");
        return evaluation;
    }
    if (result.mayStillApply) {
        evaluation.notes.push_back("The step may still be applied");
    }
    if (!stop.stop_requested()) {
        messages.Show(std::string("I could not update the time.") + kCrLf + result.reason,
                      kProductName, MessageButtons::Ok, MessageIcon::Exclamation);
    }
    return evaluation;
}

} // namespace

Evaluation EvaluateCheck(const CheckOutcome& outcome, const CheckOptions& options,
                         const SystemTimeStatus& system, IMessageBox& messages,
                         IClockSetter& setter, std::stop_token stop) {
    Evaluation evaluation;
    evaluation.notes = DisagreementNotes(outcome);
    if (system.KeepsClock()) {
        // A cross-check: the system's service keeps the clock; show, ask nothing.
        evaluation.notes.push_back(SystemTimeNote(system));
        return evaluation;
    }
    if (IsWithinMargin(outcome.differenceSeconds, options.marginSeconds) ||
        options.updateOption == kNever) {
        return evaluation;
    }
    if (!outcome.agreed) {
        const bool alone = evaluation.notes.empty();
        return LeftAlone(evaluation,
                         alone ? "Only one of the time servers answered, and setting the clock "
                                 "needs two that agree, so the clock was left alone."
                               : "The time servers do not agree, so the clock was left alone.",
                         alone ? "Not set: one server alone" : "Not set: the servers disagree",
                         messages);
    }
    // A step beyond 15 hours is always asked, its size in words: never taken on the word of
    // servers alone, even with "Automaticly".
    const std::int64_t offset = outcome.estimate.Middle();
    const bool large = offset > kLargeStepMicroseconds || offset < -kLargeStepMicroseconds;
    if (options.updateOption == kPrompt || large) {
        std::string prompt = SynchronizePromptText(outcome);
        if (large) {
            prompt += std::string(kCrLf) + "This sets the clock " + SpanInWords(offset) +
                      (offset > 0 ? " ahead." : " back.");
        }
        if (messages.Show(prompt, kProductName, MessageButtons::YesNo, MessageIcon::Question) !=
            MessageAnswer::Yes) {
            return evaluation;
        }
        evaluation = Step(evaluation, outcome, messages, setter, stop);
        if (evaluation.stepped) {
            messages.Show("Your time was updated.", kProductName, MessageButtons::Ok,
                          MessageIcon::Information);
        }
        return evaluation;
    }
    return Step(evaluation, outcome, messages, setter, stop);
}

void CheckSchedule::Arm(std::int64_t nowElapsedMilliseconds, int hours) {
    if (hours <= 0) {
        m_due.reset();
        return;
    }
    m_due = nowElapsedMilliseconds + static_cast<std::int64_t>(hours) * 3600000;
}

bool CheckSchedule::IsDue(std::int64_t nowElapsedMilliseconds) const {
    return m_due && nowElapsedMilliseconds >= *m_due;
}

std::optional<std::int64_t>
CheckSchedule::RemainingMilliseconds(std::int64_t nowElapsedMilliseconds) const {
    if (!m_due) {
        return std::nullopt;
    }
    return *m_due > nowElapsedMilliseconds ? *m_due - nowElapsedMilliseconds : 0;
}

bool CDialUpMonitor::IsDialUpConnected() const {
    return m_link.IsConnected();
}

bool CDialUpMonitor::Poll() {
    const bool connected = IsDialUpConnected();
    if (connected != m_lastConnected) {
        m_connectionChanged = true;
    }
    m_lastConnected = connected;
    const bool start = m_connectionChanged && connected;
    m_connectionChanged = false;
    return start;
}

} // namespace tarnwick
