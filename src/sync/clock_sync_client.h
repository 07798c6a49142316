// The clock window's time client: the answer of a server is evaluated on the connection
// thread (the margin, the update option, the prompt, the setting of the clock) and the outcome
// becomes the status, StatusDifference or StatusSynchronized.
#pragma once

#include <mutex>

#include "sync/time_sync_client.h"

namespace tarnwick {

class IClockSetter;
class IMessageBox;

class CClockSyncClient final : public CTimeSyncClient {
public:
    // messages is called on the connection thread: the window's implementation shows the box on
    // the UI thread and gives up waiting when StopToken() is requested. Both outlive the client.
    CClockSyncClient(const IClock& clock, IMessageBox& messages, IClockSetter& setter,
                     SyncTimings timings = {}, std::function<void()> onChange = {});
    ~CClockSyncClient() override;

    void SetCheckOptions(const CheckOptions& options); // any thread
    // The last evaluation (setRefused and its reason); any thread.
    Evaluation LastEvaluation() const;

protected:
    void OnReceive(const TimeAnswer& answer) override;

private:
    IMessageBox& m_messages;
    IClockSetter& m_setter;
    mutable std::mutex m_optionsMutex; // guards the two below
    CheckOptions m_options;
    Evaluation m_lastEvaluation;
};

} // namespace tarnwick
