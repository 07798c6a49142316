#include "sync/clock_sync_client.h"

#include "platform/system_time.h"

namespace tarnwick {

CClockSyncClient::CClockSyncClient(const IClock& clock, IMessageBox& messages, IClockSetter& setter,
                                   const ISystemTimeService& systemTime, SyncTimings timings,
                                   std::function<void()> onChange)
    : CTimeSyncClient(clock, timings, std::move(onChange)), m_messages(messages), m_setter(setter),
      m_systemTime(systemTime) {}

CClockSyncClient::~CClockSyncClient() {
    Stop(); // OnCheckDone uses this class's members: no thread may run past here
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
    SetStatus(StatusDifference); // the first answer shows while more servers are asked
}

void CClockSyncClient::OnCheckDone(const CheckOutcome& outcome) {
    CTimeSyncClient::OnCheckDone(outcome);
    CheckOptions options;
    {
        std::lock_guard<std::mutex> lock(m_optionsMutex);
        options = m_options;
    }
    const SystemTimeStatus system = m_systemTime.Read(StopToken());
    if (StopToken().stop_requested()) {
        return;
    }
    const Evaluation evaluation =
        EvaluateCheck(outcome, options, system, m_messages, m_setter, StopToken());
    {
        std::lock_guard<std::mutex> lock(m_optionsMutex);
        m_lastEvaluation = evaluation;
    }
    SetResult(evaluation.status, evaluation.notes, evaluation.stepped);
}

} // namespace tarnwick
