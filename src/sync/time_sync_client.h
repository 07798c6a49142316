// The time-server client: CSocketClient makes one attempt on one server on a connection
// thread of its own; CTimeSyncClient walks the server list on a synchronisation thread until a
// server answers.
//
//   StartSync -> SyncLoop (sync thread): for each attempt, StartConnect -> Connect (connection
//   thread: QueryTimeServer, then OnReceive or OnNoAnswer) -> waits -> RequestDisconnect ->
//   wait -> the next server, until an answer has cleared `searching`.
//
// Every attempt has its own connection record (flags, wake descriptor, thread): nothing of
// one attempt is reused by the next. What the UI reads is one snapshot under one mutex.
// Destroying the client stops the loop, wakes a waiting read and a waiting prompt, and joins
// every thread before it returns.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "sync/check_policy.h"
#include "sync/time_protocol.h"

namespace tarnwick {

class IClock;

// The loop's waits; tests shorten them.
struct SyncTimings {
    std::chrono::milliseconds connectPoll{1000};     // while the connect is under way
    std::chrono::milliseconds afterConnect{7500};    // from the attempt's start to the disconnect
    std::chrono::milliseconds afterDisconnect{7500}; // from the disconnect to the next server
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
    // Any thread: ends a connect or read that is still waiting, at once.
    void RequestDisconnect();
    // Any thread: the connect of the current attempt has neither succeeded nor failed yet.
    bool IsConnecting() const;
    // Not on the connection thread: RequestDisconnect, then waits for the connection thread.
    void EndConnection();
    // Waits for the connection thread without disturbing it (an answer being evaluated).
    void JoinConnection();

    // Reply times before this are no answer (the build date; tests move it).
    void SetFloorUnixSeconds(std::int64_t floor) { m_floorUnixSeconds = floor; }

protected:
    // Connection thread: a server answered / did not answer (server as "host:port").
    virtual void OnReceive(const TimeAnswer& answer);
    virtual void OnNoAnswer(const std::string& server, const std::string& reason);

    const IClock& m_clock;

private:
    struct Connection;
    void Connect(Connection& connection, ServerAddress server, std::chrono::milliseconds timeout);

    std::atomic<std::int64_t> m_floorUnixSeconds;
    mutable std::mutex m_connectionMutex; // guards m_connection (the pointer, not the thread)
    std::shared_ptr<Connection> m_connection;
    std::mutex m_joinMutex; // one joiner at a time
};

// What the UI shows of the client, read as a whole.
struct TimeSyncSnapshot {
    bool busy = false;      // a synchronisation thread runs
    bool searching = false; // no server has answered yet in the running check
    int status = StatusNotSynchronized;
    std::string currentServer; // the entry of the current or last attempt
    std::int64_t differenceSeconds = 0;
    std::int64_t offsetMilliseconds = 0;
    std::string lastFailure; // "server: reason" of the last attempt without an answer
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
    void SetStatus(int status);
    bool IsBusy() const { return m_busy.load(); }

    // Requested by Stop and the destructor; waits that must end with the client watch it.
    std::stop_token StopToken() const { return m_stop.get_token(); }

    // The process-wide position of the next server to try: 0 at start, kept between checks.
    static std::size_t NextServerPosition();
    static void SetNextServerPosition(std::size_t position);

protected:
    // Stores the difference and ends the search; a derived class then evaluates it.
    void OnReceive(const TimeAnswer& answer) override;
    void OnNoAnswer(const std::string& server, const std::string& reason) override;

private:
    void SyncLoop(std::stop_token stop);
    // False when stopped meanwhile.
    bool Sleep(std::stop_token& stop, std::chrono::milliseconds duration);
    void Changed();

    SyncTimings m_timings;
    std::function<void()> m_onChange;

    mutable std::mutex m_mutex; // guards m_state and m_servers
    TimeSyncSnapshot m_state;
    std::vector<std::string> m_servers;

    std::atomic<bool> m_busy{false};
    std::stop_source m_stop;
    std::mutex m_sleepMutex;
    std::condition_variable_any m_sleep;
    std::mutex m_threadMutex; // guards m_thread between StartSync and Stop
    std::thread m_thread;
};

} // namespace tarnwick
