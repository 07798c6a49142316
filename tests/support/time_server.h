// A Time Protocol (RFC 868) server on a loopback address for one test, with fault modes. It
// serves every connection by its mode on a thread of its own, counts them, and stops with the
// test (a hanging or slow connection is cut off at once).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "support/core_loopback_listener.h"
#include "sync/time_protocol.h"

namespace tarnwick::test {

enum class TimeServerMode {
    Offset,     // now + offsetSeconds (+ offsetMicroseconds)
    TwoBytes,   // the first two bytes of now + offsetSeconds, then close
    EmptyClose, // accept and close without sending
    Split,      // one byte, a pause of `pause`, the other three
    EightBytes, // the four bytes of now + offsetSeconds and four more
    Hang,       // accept and never send until the server stops
    Slow,       // wait `pause`, then answer as Offset
    Refused,    // nothing listens on the port
};

class LoopbackTimeServer : public LoopbackListener {
public:
    struct Options {
        TimeServerMode mode = TimeServerMode::Offset;
        std::int64_t offsetSeconds = 0;
        std::chrono::milliseconds pause{30};
        const IClock* clock = &SystemClock::Instance(); // the server's "now"
        const char* host = "127.0.0.1";                 // any of 127.0.0.0/8
        std::int64_t offsetMicroseconds = 0;            // added to offsetSeconds
    };

    // Refused: bound but not listening, so a connect is refused and the port stays ours.
    explicit LoopbackTimeServer(Options options)
        : LoopbackListener(options.host), m_options(options) {
        if (m_options.mode != TimeServerMode::Refused) {
            Start([this](int client) { Accepted(client); });
        }
    }
    explicit LoopbackTimeServer(TimeServerMode mode, std::int64_t offsetSeconds = 0)
        : LoopbackTimeServer(Options{mode, offsetSeconds}) {}
    ~LoopbackTimeServer() {
        Stop();
        for (std::thread& t : m_clients) {
            t.join();
        }
    }
    std::string Entry() const { return m_options.host + (":" + std::to_string(Port())); }
    int Connections() const { return m_connections.load(); }
    // The shortest time between two connections.
    std::chrono::steady_clock::duration ShortestGap() const {
        std::lock_guard<std::mutex> lock(m_acceptMutex);
        auto gap = std::chrono::steady_clock::duration::max();
        for (std::size_t i = 1; i < m_accepted.size(); ++i) {
            gap = std::min(gap, m_accepted[i] - m_accepted[i - 1]);
        }
        return gap;
    }

private:
    void Accepted(int client) {
        ++m_connections;
        {
            std::lock_guard<std::mutex> lock(m_acceptMutex);
            m_accepted.push_back(std::chrono::steady_clock::now());
        }
        m_clients.emplace_back([this, client] {
            Answer(client);
            ::close(client);
        });
    }

    void Send(int client, const std::vector<std::uint8_t>& bytes) const {
        ::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    void Answer(int client) const {
        const auto now = [this] {
            const std::int64_t us = m_options.clock->NowUnixMicroseconds() +
                                    m_options.offsetSeconds * 1'000'000 +
                                    m_options.offsetMicroseconds;
            const std::uint32_t v = EncodeTimeProtocolValue(us / 1'000'000); // after 1970
            return std::vector<std::uint8_t>{std::uint8_t(v >> 24), std::uint8_t(v >> 16),
                                             std::uint8_t(v >> 8), std::uint8_t(v)};
        };
        switch (m_options.mode) {
        case TimeServerMode::Offset:
            Send(client, now());
            break;
        case TimeServerMode::TwoBytes:
            Send(client, {now()[0], now()[1]});
            break;
        case TimeServerMode::EmptyClose:
        case TimeServerMode::Refused:
            break;
        case TimeServerMode::Split: {
            const auto bytes = now();
            Send(client, {bytes[0]});
            if (Pause(m_options.pause)) {
                Send(client, {bytes[1], bytes[2], bytes[3]});
            }
            break;
        }
        case TimeServerMode::EightBytes: {
            auto bytes = now();
            bytes.insert(bytes.end(), {1, 2, 3, 4});
            Send(client, bytes);
            break;
        }
        case TimeServerMode::Hang:
            while (Pause(std::chrono::milliseconds(1000))) {
            }
            break;
        case TimeServerMode::Slow:
            if (Pause(m_options.pause)) {
                Send(client, now());
            }
            break;
        }
    }

    Options m_options;
    std::atomic<int> m_connections{0};
    mutable std::mutex m_acceptMutex;
    std::vector<std::chrono::steady_clock::time_point> m_accepted;
    std::vector<std::thread> m_clients; // the accept thread's, joined after it
};

} // namespace tarnwick::test
