// The time-server client: CSocketClient makes one attempt on one server on a connection
// thread of its own; CTimeSyncClient walks the server list on a synchronisation thread until a
// server answers, then measures the offset with more queries (OffsetSearch).
//
//   StartSync -> SyncLoop (sync thread): for each attempt, StartConnect -> Connect (connection
//   thread: QueryTimeServer, then OnReceive or OnNoAnswer) -> waits -> RequestDisconnect ->
//   wait -> the next server, until an answer has cleared `searching`; after the answer the
//   sync thread confirms and refines it, then OnCheckDone.
//
// Every attempt has its own connection record (flags, wake event, thread): nothing of one
// attempt is reused by the next. What the UI reads is one snapshot under one mutex.
// Destroying the client stops the loop, wakes a waiting read, name lookup and prompt, and
// joins every thread before it returns.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "platform/wake_event.h"
#include "sync/offset_search.h"
#include "sync/sync_state.h"
#include "sync/time_protocol.h"

namespace tarnwick {

class IClock;
class INameResolver;

// The loop's waits; tests shorten them.
struct SyncTimings {
    std::chrono::milliseconds connectPoll{1000};     // while the connect is under way
    std::chrono::milliseconds afterConnect{7500};    // from the attempt's start to the disconnect
    std::chrono::milliseconds afterDisconnect{7500}; // from the disconnect to the next server
    std::chrono::milliseconds querySpacing{4000};    // between two queries to one server
};

class CSocketClient {
public:
    explicit CSocketClient(const IClock& clock);
    // Ends and joins the connection thread. A derived class whose OnReceive uses its own
    // members calls EndConnection in its destructor.
    virtual ~CSocketClient();
    CSocketClient(const CSocketClient&) = delete;
    CSocketClient& operator=(const CSocketClient&) = delete;

    // Starts the connection thread for one attempt of at most timeout; an earlier attempt's
    // thread is asked to disconnect and joined first. Not on the connection thread.
    bool StartConnect(const ServerAddress& server, std::chrono::milliseconds timeout);
    // Any thread: ends a name lookup, connect or read that is still waiting, at once.
    void RequestDisconnect();
    // Any thread: the connect of the current attempt has neither succeeded nor failed yet.
    bool IsConnecting() const;
    // Not on the connection thread: RequestDisconnect, then waits for the connection thread.
    void EndConnection();
    // Waits for the connection thread without disturbing it.
    void JoinConnection();

    // Reply times before this are no answer (the build date; tests move it).
    void SetFloorUnixSeconds(std::int64_t floor) { m_floorUnixSeconds = floor; }
    // Before the first check; null: the system's resolver.
    void SetNameResolver(const INameResolver* resolver) { m_resolver = resolver; }

protected:
    // Connection thread: a server answered / did not answer (server as "host:port").
    virtual void OnReceive(const TimeAnswer& answer);
    virtual void OnNoAnswer(const std::string& server, const std::string& reason);

    const IClock& m_clock;
    std::atomic<std::int64_t> m_floorUnixSeconds;
    std::atomic<const INameResolver*> m_resolver{nullptr};

private:
    struct Connection;
    void Connect(Connection& connection, ServerAddress server, std::chrono::milliseconds timeout);

    mutable std::mutex m_connectionMutex; // guards m_connection (the pointer, not the thread)
    std::shared_ptr<Connection> m_connection;
    std::mutex m_joinMutex; // one joiner at a time
};

class CTimeSyncClient : public CSocketClient {
public:
    // onChange, when given, is called (on any thread, no lock held) after each change of the
    // snapshot.
    explicit CTimeSyncClient(const IClock& clock, SyncTimings timings = {},
                             std::function<void()> onChange = {});
    ~CTimeSyncClient() override;

    // Any thread. Comma-separated; blanks around the commas are dropped; appends.
    void ParseServerList(const std::string& text);
    void ClearServers();
    std::vector<std::string> Servers() const;

    // Starts a check unless one runs: status becomes StatusConnecting. False when one runs.
    bool StartSync();
    // Ends a running check and its attempt, wakes a waiting prompt, joins the threads.
    void Stop();

    TimeSyncSnapshot Snapshot() const;
    std::int64_t GetDifference() const { return Snapshot().differenceSeconds; }
    std::string GetServerName() const { return Snapshot().currentServer; }
    void SetStatus(SyncStatusValue status);
    bool IsBusy() const { return m_busy.load(); }

    // Requested by Stop and the destructor; waits that must end with the client watch it.
    std::stop_token StopToken() const { return m_stop.get_token(); }

    // The process-wide position of the next server to try: 0 at start, kept between checks.
    static std::size_t NextServerPosition();
    static void SetNextServerPosition(std::size_t position);

protected:
    // Stores the difference and ends the search; the measurement goes on on the sync thread.
    void OnReceive(const TimeAnswer& answer) override;
    void OnNoAnswer(const std::string& server, const std::string& reason) override;
    // Sync thread, once the first answer has been confirmed and refined: shows the outcome.
    // A derived class evaluates it (the prompt, the step) and may replace the notes.
    virtual void OnCheckDone(const CheckOutcome& outcome);
    // Replaces the snapshot's status and notes, and counts a step (any thread).
    void SetResult(SyncStatusValue status, std::vector<std::string> notes, bool stepped);

private:
    void SyncLoop(std::stop_token stop);
    // Confirms and refines the answer of the list's entry at position; false when stopped.
    bool Measure(std::stop_token& stop, std::size_t position, const TimeAnswer& answer,
                 std::chrono::steady_clock::time_point askedAt);
    // False when stopped meanwhile; an answer ends the wait early when untilAnswer is set.
    bool Sleep(std::stop_token& stop, std::chrono::microseconds duration, bool untilAnswer = false);
    // Waits until server may be asked again (the spacing); false when stopped.
    bool WaitForSpacing(std::stop_token& stop, const std::string& server);
    void Changed();

    SyncTimings m_timings;
    std::function<void()> m_onChange;

    mutable std::mutex m_mutex; // guards the four below
    TimeSyncSnapshot m_state;
    std::vector<std::string> m_servers;
    TimeAnswer m_firstAnswer; // of the running check, once searching is cleared
    std::map<std::string, std::chrono::steady_clock::time_point> m_lastQuery; // by "host:port"

    std::atomic<bool> m_busy{false};
    std::stop_source m_stop;
    WakeEvent m_stopWake; // signalled with the stop: ends the measurement's queries
    std::mutex m_sleepMutex;
    std::condition_variable_any m_sleep;
    bool m_answered = false;  // guarded by m_sleepMutex: an answer ends an early-ending wait
    std::mutex m_threadMutex; // guards m_thread between StartSync and Stop
    std::thread m_thread;
};

} // namespace tarnwick
