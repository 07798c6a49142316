#include "sync/time_sync_client.h"

#include <cstdio>

#include "platform/clock.h"
#include "sync/check_policy.h"
#include "sync/time_query.h"

namespace tarnwick {

namespace {

// The position of the next server to try, for the whole process.
std::atomic<std::size_t> g_nextServer{0};

} // namespace

// One attempt: its own flags, wake event and thread.
struct CSocketClient::Connection {
    ~Connection() {
        if (thread.joinable()) {
            thread.join();
        }
    }

    WakeEvent wake;
    std::atomic<bool> connecting{true};
    std::thread thread;
};

CSocketClient::CSocketClient(const IClock& clock)
    : m_clock(clock), m_floorUnixSeconds(BuildDateUnixSeconds()) {}

CSocketClient::~CSocketClient() {
    EndConnection();
}

bool CSocketClient::StartConnect(const ServerAddress& server, std::chrono::milliseconds timeout) {
    EndConnection();
    auto connection = std::make_shared<Connection>();
    // The thread holds the record by reference; the record is joined before it is freed.
    connection->thread = std::thread(
        [this, record = connection.get(), server, timeout] { Connect(*record, server, timeout); });
    std::lock_guard<std::mutex> lock(m_connectionMutex);
    m_connection = std::move(connection);
    return true;
}

void CSocketClient::Connect(Connection& connection, ServerAddress server,
                            std::chrono::milliseconds timeout) {
    const TimeQueryContext context{&m_clock, m_resolver.load(), &connection.wake,
                                   m_floorUnixSeconds.load()};
    const TimeQueryResult result =
        QueryTimeServer(server, context, timeout, [&connection] { connection.connecting = false; });
    connection.connecting = false;
    if (result.answered) {
        OnReceive(result.answer);
        return;
    }
    std::string reason = result.reason;
    if (reason == "stopped") {
        // The loop disconnects when the attempt's time is up, as the timeout would.
        char text[48];
        std::snprintf(text, sizeof text, "no reply within %g s",
                      static_cast<double>(timeout.count()) / 1000.0);
        reason = text;
    }
    OnNoAnswer(FormatServerAddress(server), reason);
}

void CSocketClient::RequestDisconnect() {
    std::lock_guard<std::mutex> lock(m_connectionMutex);
    if (m_connection) {
        m_connection->wake.Signal();
    }
}

bool CSocketClient::IsConnecting() const {
    std::lock_guard<std::mutex> lock(m_connectionMutex);
    return m_connection && m_connection->connecting.load();
}

void CSocketClient::EndConnection() {
    RequestDisconnect();
    JoinConnection();
}

void CSocketClient::JoinConnection() {
    std::lock_guard<std::mutex> joining(m_joinMutex);
    std::shared_ptr<Connection> connection;
    {
        std::lock_guard<std::mutex> lock(m_connectionMutex);
        connection = m_connection;
    }
    if (connection && connection->thread.joinable()) {
        connection->thread.join();
    }
}

void CSocketClient::OnReceive(const TimeAnswer&) {}

void CSocketClient::OnNoAnswer(const std::string&, const std::string&) {}

CTimeSyncClient::CTimeSyncClient(const IClock& clock, SyncTimings timings,
                                 std::function<void()> onChange)
    : CSocketClient(clock), m_timings(timings), m_onChange(std::move(onChange)) {}

CTimeSyncClient::~CTimeSyncClient() {
    Stop();
}

void CTimeSyncClient::ParseServerList(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    AppendServerList(text, m_servers);
}

void CTimeSyncClient::ClearServers() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_servers.clear(); // the position of the next server stays
}

std::vector<std::string> CTimeSyncClient::Servers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_servers;
}

bool CTimeSyncClient::StartSync() {
    std::lock_guard<std::mutex> threadLock(m_threadMutex);
    if (m_stop.stop_requested() || m_busy.exchange(true)) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join(); // the last check's loop has cleared busy and is ending
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.busy = true;
        m_state.searching = true;
        m_state.status = StatusConnecting;
    }
    {
        std::lock_guard<std::mutex> lock(m_sleepMutex);
        m_answered = false;
    }
    Changed();
    m_thread = std::thread([this, stop = m_stop.get_token()] { SyncLoop(stop); });
    return true;
}

void CTimeSyncClient::Stop() {
    m_stop.request_stop();
    m_stopWake.Signal();
    {
        std::lock_guard<std::mutex> lock(m_sleepMutex);
        m_sleep.notify_all();
    }
    RequestDisconnect();
    {
        std::lock_guard<std::mutex> threadLock(m_threadMutex);
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    EndConnection();
}

TimeSyncSnapshot CTimeSyncClient::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void CTimeSyncClient::SetStatus(SyncStatusValue status) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.status = status;
    }
    Changed();
}

void CTimeSyncClient::SetResult(SyncStatusValue status, std::vector<std::string> notes,
                                bool stepped) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.status = status;
        m_state.notes = std::move(notes);
        m_state.clockSteps += stepped ? 1 : 0;
    }
    Changed();
}

std::size_t CTimeSyncClient::NextServerPosition() {
    return g_nextServer.load();
}

void CTimeSyncClient::SetNextServerPosition(std::size_t position) {
    g_nextServer = position;
}

void CTimeSyncClient::Changed() {
    if (m_onChange) {
        m_onChange();
    }
}

bool CTimeSyncClient::Sleep(std::stop_token& stop, std::chrono::microseconds duration,
                            bool untilAnswer) {
    std::unique_lock<std::mutex> lock(m_sleepMutex);
    m_sleep.wait_for(lock, stop, duration, [&] { return untilAnswer && m_answered; });
    return !stop.stop_requested();
}

bool CTimeSyncClient::WaitForSpacing(std::stop_token& stop, const std::string& server) {
    std::chrono::steady_clock::time_point allowed{};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (const auto last = m_lastQuery.find(server); last != m_lastQuery.end()) {
            allowed = last->second + m_timings.querySpacing;
        }
    }
    const auto now = std::chrono::steady_clock::now();
    if (allowed > now &&
        !Sleep(stop, std::chrono::duration_cast<std::chrono::microseconds>(allowed - now))) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastQuery[server] = std::chrono::steady_clock::now();
    return true;
}

void CTimeSyncClient::OnReceive(const TimeAnswer& answer) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.differenceSeconds = answer.differenceSeconds;
        m_state.estimate = SampleInterval(answer.sample);
        m_state.notes.clear();
        m_state.searching = false;
        m_firstAnswer = answer;
    }
    {
        std::lock_guard<std::mutex> lock(m_sleepMutex);
        m_answered = true;
        m_sleep.notify_all();
    }
    RequestDisconnect();
    Changed();
}

void CTimeSyncClient::OnNoAnswer(const std::string& server, const std::string& reason) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.lastFailure = server + ": " + reason;
    }
    Changed();
}

void CTimeSyncClient::OnCheckDone(const CheckOutcome& outcome) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.currentServer = outcome.server;
        m_state.differenceSeconds = outcome.differenceSeconds;
        m_state.estimate = outcome.estimate;
        m_state.notes = DisagreementNotes(outcome);
    }
    Changed();
}

bool CTimeSyncClient::Measure(std::stop_token& stop, std::size_t position, const TimeAnswer& answer,
                              std::chrono::steady_clock::time_point askedAt) {
    SearchParams params;
    params.queryTimeout = m_timings.afterConnect;
    params.minSpacing = m_timings.querySpacing;
    OffsetSearch search(
        Servers(), m_clock, params,
        [this, &stop](const ServerAddress& server, std::chrono::milliseconds timeout) {
            if (!WaitForSpacing(stop, FormatServerAddress(server))) {
                TimeQueryResult stopped;
                stopped.reason = "stopped";
                return stopped;
            }
            const TimeQueryContext context{&m_clock, m_resolver.load(), &m_stopWake,
                                           m_floorUnixSeconds.load()};
            return QueryTimeServer(server, context, timeout);
        },
        [this, &stop](std::chrono::microseconds duration) { return Sleep(stop, duration); });
    search.OnProgress([this](const CheckOutcome& outcome) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_state.estimate = outcome.estimate;
        }
        Changed();
    });
    search.AddFirstAnswer(position, answer, askedAt);
    if (!search.Confirm() || !search.Refine()) {
        return false;
    }
    OnCheckDone(search.Outcome());
    return !stop.stop_requested();
}

void CTimeSyncClient::SyncLoop(std::stop_token stop) {
    for (;;) {
        std::string entry;
        std::size_t position = 0;
        std::size_t count = 0;
        {
            // The list may be replaced meanwhile: its size and one entry, copied per attempt.
            std::lock_guard<std::mutex> lock(m_mutex);
            count = m_servers.size();
            if (!m_state.searching || count == 0) {
                break; // answered, or nothing to ask: currentServer keeps its value
            }
            position = g_nextServer.load();
            if (position >= count) {
                position = 0; // the list was replaced by a shorter one
            }
            entry = m_servers[position];
            m_state.currentServer = entry;
        }
        Changed();
        if (stop.stop_requested()) {
            break;
        }

        const auto started = std::chrono::steady_clock::now();
        std::string error;
        const auto address = ParseServerEntry(entry, kTimeProtocolPort, error);
        if (address) {
            if (!WaitForSpacing(stop, FormatServerAddress(*address))) {
                break;
            }
            StartConnect(*address, m_timings.afterConnect);
            while (IsConnecting() && Sleep(stop, m_timings.connectPoll)) {
            }
        } else {
            OnNoAnswer(entry, error);
        }
        // The first wait runs from the attempt's start, so a connect that hangs until the
        // timeout does not lengthen the attempt; an answer ends it, and the measurement that
        // follows runs in the attempt's time.
        const auto left = [&] {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                m_timings.afterConnect - (std::chrono::steady_clock::now() - started));
        };
        Sleep(stop, left(), true);
        RequestDisconnect();
        JoinConnection(); // an answer has been stored
        TimeAnswer answer;
        bool answered = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            answered = !m_state.searching;
            answer = m_firstAnswer;
        }
        if (answered && !stop.stop_requested()) {
            if (!Measure(stop, position, answer, started)) {
                break;
            }
            if (left().count() > 0) {
                Sleep(stop, left());
            }
        }
        if (!Sleep(stop, m_timings.afterDisconnect)) {
            break;
        }
        g_nextServer = position + 1 >= count ? 0 : position + 1;
    }
    // An answer may still be evaluated (a prompt open): busy stays set until it is done.
    JoinConnection();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.busy = false;
    }
    m_busy = false;
    Changed();
}

} // namespace tarnwick
