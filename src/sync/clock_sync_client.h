// The clock window's time client: the first answer shows at once as the difference; once
// more servers have confirmed it and the offset is refined, the outcome is evaluated on the
// sync thread (the system's time service, the margin, the guard, the update option, the
// prompt, the step) and becomes the status, StatusDifference or StatusSynchronized.
#pragma once

#include <mutex>

#include "sync/check_policy.h"
#include "sync/time_sync_client.h"

namespace tarnwick {

class IClockSetter;
class IMessageBox;
class ISystemTimeService;

class CClockSyncClient final : public CTimeSyncClient {
public:
    // messages is called on the sync thread: the window's implementation shows the box on the
    // UI thread and gives up waiting when StopToken() is requested. All outlive the client.
    CClockSyncClient(const IClock& clock, IMessageBox& messages, IClockSetter& setter,
                     const ISystemTimeService& systemTime, SyncTimings timings = {},
                     std::function<void()> onChange = {});
    ~CClockSyncClient() override;

    void SetCheckOptions(const CheckOptions& options); // any thread
    // The last evaluation (setRefused and its reason); any thread.
    Evaluation LastEvaluation() const;

protected:
    void OnReceive(const TimeAnswer& answer) override;
    void OnCheckDone(const CheckOutcome& outcome) override;

private:
    IMessageBox& m_messages;
    IClockSetter& m_setter;
    const ISystemTimeService& m_systemTime;
    mutable std::mutex m_optionsMutex; // guards the two below
    CheckOptions m_options;
    Evaluation m_lastEvaluation;
};

} // namespace tarnwick
