#include "sync/check_policy.h"

#include "display/display_text.h"
#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/network_link.h"

namespace tarnwick {

bool IsWithinMargin(std::int64_t differenceSeconds, int marginSeconds) {
    return -static_cast<std::int64_t>(marginSeconds) <= differenceSeconds &&
           differenceSeconds <= marginSeconds;
}

std::string SynchronizePromptText(const TimeAnswer& answer) {
    SyncSnapshot sync;
    sync.syncStatus = StatusDifference;
    sync.serverName = answer.server;
    sync.differenceSeconds = answer.differenceSeconds;
    StatusBlock block;
    block.Next(sync, false, {});
    return std::string("Do you wish to synchronize your clock with the following server.  ") +
           kCrLf + block.StatusText();
}

Evaluation SetClockFromDifference(const TimeAnswer& answer, IMessageBox& messages,
                                  IClockSetter& setter) {
    // The step is relative to the clock as it reads when the step is made, so the time the
    // user took to answer does not matter.
    const ClockStepResult result = setter.StepBy(answer.offsetMilliseconds * 1000);
    Evaluation evaluation;
    if (result.ok) {
        evaluation.status = StatusSynchronized;
        return evaluation;
    }
    evaluation.status = StatusDifference;
    evaluation.setRefused = true;
    evaluation.reason = result.reason;
    messages.Show(std::string("I could not update the time.") + kCrLf + result.reason, kProductName,
                  MessageButtons::Ok, MessageIcon::Exclamation);
    return evaluation;
}

Evaluation EvaluateAnswer(const TimeAnswer& answer, const CheckOptions& options,
                          IMessageBox& messages, IClockSetter& setter) {
    Evaluation evaluation;
    if (IsWithinMargin(answer.differenceSeconds, options.marginSeconds)) {
        return evaluation;
    }
    switch (options.updateOption) {
    case 1068: // Never
        return evaluation;
    case 1069: // Warning and Prompt
        if (messages.Show(SynchronizePromptText(answer), kProductName, MessageButtons::YesNo,
                          MessageIcon::Question) != MessageAnswer::Yes) {
            return evaluation;
        }
        evaluation = SetClockFromDifference(answer, messages, setter);
        if (!evaluation.setRefused) {
            messages.Show("Your time was updated.", kProductName, MessageButtons::Ok,
                          MessageIcon::Information);
        }
        return evaluation;
    default: // Automaticly
        return SetClockFromDifference(answer, messages, setter);
    }
}

void CheckSchedule::Arm(std::int64_t nowUnixMilliseconds, int hours) {
    if (hours <= 0) {
        m_due.reset();
        return;
    }
    m_due = nowUnixMilliseconds + static_cast<std::int64_t>(hours) * 3600000;
}

bool CheckSchedule::IsDue(std::int64_t nowUnixMilliseconds) const {
    return m_due && nowUnixMilliseconds >= *m_due;
}

std::optional<std::int64_t>
CheckSchedule::RemainingMilliseconds(std::int64_t nowUnixMilliseconds) const {
    if (!m_due) {
        return std::nullopt;
    }
    return *m_due > nowUnixMilliseconds ? *m_due - nowUnixMilliseconds : 0;
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
