#include "sync/time_sync_client.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>

#include "platform/clock.h"
#include "sync/time_query.h"

namespace tarnwick {

namespace {

// The position of the next server to try, for the whole process.
std::atomic<std::size_t> g_nextServer{0};

} // namespace

// One attempt: its own flags, wake descriptor and thread.
struct CSocketClient::Connection {
    Connection() : wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Connection() {
        if (thread.joinable()) {
            thread.join();
        }
        if (wakeFd >= 0) {
            ::close(wakeFd);
        }
    }
    void Wake() const {
        if (wakeFd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(wakeFd, &one, sizeof one);
        }
    }

    const int wakeFd;
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
    const TimeQueryResult result =
        QueryTimeServer(server, m_clock, timeout, connection.wakeFd, m_floorUnixSeconds.load(),
                        [&connection] { connection.connecting = false; });
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
        m_connection->Wake();
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
    Changed();
    m_thread = std::thread([this, stop = m_stop.get_token()] { SyncLoop(stop); });
    return true;
}

void CTimeSyncClient::Stop() {
    m_stop.request_stop();
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

void CTimeSyncClient::SetStatus(int status) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.status = status;
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

bool CTimeSyncClient::Sleep(std::stop_token& stop, std::chrono::milliseconds duration) {
    std::unique_lock<std::mutex> lock(m_sleepMutex);
    m_sleep.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

void CTimeSyncClient::OnReceive(const TimeAnswer& answer) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state.differenceSeconds = answer.differenceSeconds;
        m_state.offsetMilliseconds = answer.offsetMilliseconds;
        m_state.searching = false;
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
            StartConnect(*address, m_timings.afterConnect);
            while (IsConnecting() && Sleep(stop, m_timings.connectPoll)) {
            }
        } else {
            OnNoAnswer(entry, error);
        }
        // The first wait runs from the attempt's start, so a connect that hangs until the
        // timeout does not lengthen the attempt.
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - started);
        if (elapsed < m_timings.afterConnect) {
            Sleep(stop, m_timings.afterConnect - elapsed);
        }
        RequestDisconnect();
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
