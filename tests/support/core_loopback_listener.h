// The part every loopback server of the tests shares: a TCP socket bound to a port of its own
// on a 127.0.0.0/8 address, and a thread that hands each connection to the server until it
// stops. A server calls Stop() first in its destructor, before its own members go.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace tarnwick::test {

class LoopbackListener {
public:
    std::uint16_t Port() const { return m_port; }

protected:
    explicit LoopbackListener(const char* host)
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, host, &address.sin_addr);
        socklen_t length = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error(std::string("cannot bind on ") + host);
        }
        m_port = ntohs(address.sin_port);
    }
    ~LoopbackListener() {
        Stop();
        ::close(m_fd);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // Listens and passes each connection to serve, which owns (and closes) it.
    void Start(std::function<void(int)> serve) {
        if (::listen(m_fd, 16) != 0) {
            throw std::runtime_error("cannot listen on port " + std::to_string(m_port));
        }
        m_thread = std::thread([this, serve = std::move(serve)] {
            while (!m_stop) {
                if (!Wait(m_fd, POLLIN, 20)) {
                    continue;
                }
                if (const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
                    client >= 0) {
                    serve(client);
                }
            }
        });
    }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    bool Stopping() const { return m_stop; }

    static bool Wait(int fd, short events, int timeoutMs) {
        pollfd p{fd, events, 0};
        return ::poll(&p, 1, timeoutMs) > 0;
    }
    // Sleeps up to duration; false when the server stops meanwhile.
    bool Pause(std::chrono::milliseconds duration) const {
        const auto end = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < end) {
            if (m_stop) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return !m_stop;
    }

private:
    int m_fd;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace tarnwick::test
