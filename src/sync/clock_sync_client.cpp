#include "sync/clock_sync_client.h"

namespace tarnwick {

CClockSyncClient::CClockSyncClient(const IClock& clock, IMessageBox& messages, IClockSetter& setter,
                                   SyncTimings timings, std::function<void()> onChange)
    : CTimeSyncClient(clock, timings, std::move(onChange)), m_messages(messages), m_setter(setter) {
}

CClockSyncClient::~CClockSyncClient() {
    Stop(); // OnReceive uses this class's members: no thread may run past here
}

void CClockSyncClient::SetCheckOptions(const CheckOptions& options) {
    std::lock_guard<std::mutex> lock(m_optionsMutex);
    m_options = options;
}

Evaluation CClockSyncClient::LastEvaluation() const {
    std::lock_guard<std::mutex> lock(m_optionsMutex);
    return m_lastEvaluation;
}

void CClockSyncClient::OnReceive(const TimeAnswer& answer) {
    CTimeSyncClient::OnReceive(answer);
    CheckOptions options;
    {
        std::lock_guard<std::mutex> lock(m_optionsMutex);
        options = m_options;
    }
    TimeAnswer shown = answer;
    shown.server = GetServerName(); // the list's entry, as the display names it
    const Evaluation evaluation = EvaluateAnswer(shown, options, m_messages, m_setter);
    {
        std::lock_guard<std::mutex> lock(m_optionsMutex);
        m_lastEvaluation = evaluation;
    }
    SetStatus(evaluation.status);
}

} // namespace tarnwick
