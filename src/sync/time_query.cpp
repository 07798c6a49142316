#include "sync/time_query.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/clock.h"

namespace tarnwick {

namespace {

std::string ErrnoText(int error) {
    std::string text = std::strerror(error);
    if (!text.empty()) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

std::string Seconds(std::chrono::milliseconds timeout) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(timeout.count()) / 1000.0);
    return text;
}

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// 1: fd ready, 0: deadline passed, -1: woken.
int WaitFor(int fd, short events, int wakeFd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return 0;
        }
        pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
        const int n = ::poll(fds, wakeFd >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n > 0 && wakeFd >= 0 && (fds[1].revents & POLLIN)) {
            return -1;
        }
        if (n > 0) {
            return 1;
        }
        if (n < 0) {
            return 1; // let the following call report the error
        }
    }
}

} // namespace

TimeQueryResult QueryTimeServer(const ServerAddress& server, const IClock& clock,
                                std::chrono::milliseconds timeout, int wakeFd,
                                std::int64_t floorUnixSeconds,
                                const std::function<void()>& onConnectDone) {
    TimeQueryResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string noReply = "no reply within " + Seconds(timeout) + " s";

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(server.port);
    const int gai = ::getaddrinfo(server.host.c_str(), port.c_str(), &hints, &found);
    const std::unique_ptr<addrinfo, void (*)(addrinfo*)> owned(found, [](addrinfo* list) {
        if (list != nullptr) {
            ::freeaddrinfo(list);
        }
    });
    if (gai != 0) {
        result.reason = gai == EAI_SYSTEM ? ErrnoText(errno) : ::gai_strerror(gai);
        return result;
    }
    std::vector<const addrinfo*> addresses;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET) {
            addresses.push_back(a);
        }
    }
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET) {
            addresses.push_back(a);
        }
    }

    result.reason = "no address";
    for (const addrinfo* a : addresses) {
        Socket socket(
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (socket.fd() < 0) {
            result.reason = ErrnoText(errno);
            continue;
        }
        if (::connect(socket.fd(), a->ai_addr, a->ai_addrlen) != 0 && errno != EINPROGRESS) {
            result.reason = ErrnoText(errno);
            continue;
        }
        const int ready = WaitFor(socket.fd(), POLLOUT, wakeFd, deadline);
        if (ready <= 0) {
            result.reason = ready == 0 ? noReply : "stopped";
            break;
        }
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            result.reason = ErrnoText(error);
            continue; // the next address
        }
        const std::int64_t connectedMs = clock.NowUnixMilliseconds();
        if (onConnectDone) {
            onConnectDone();
        }

        std::uint8_t bytes[1024];
        std::size_t count = 0;
        for (;;) {
            const int state = WaitFor(socket.fd(), POLLIN, wakeFd, deadline);
            if (state <= 0) {
                result.reason = state == 0 ? noReply : "stopped";
                return result;
            }
            const ssize_t n = ::recv(socket.fd(), bytes + count, sizeof bytes - count, 0);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN) {
                    continue;
                }
                result.reason = ErrnoText(errno); // a reset ends the attempt without an answer
                return result;
            }
            count += static_cast<std::size_t>(n);
            if (n == 0 || count >= 4) {
                break;
            }
        }
        const std::int64_t receiptMs = clock.NowUnixMilliseconds();
        const std::optional<std::uint32_t> value = ReadTimeProtocolValue(bytes, count);
        if (!value) {
            result.reason = count == 0 ? "closed the connection without a reply"
                                       : "reply of " + std::to_string(count) + " bytes";
            return result;
        }
        const std::int64_t serverSeconds = DecodeTimeProtocolValue(*value);
        if (serverSeconds < floorUnixSeconds) {
            result.reason = "time before this program was built";
            return result;
        }
        result.answered = true;
        result.reason.clear();
        result.answer.server = FormatServerAddress(server);
        const std::int64_t receiptSeconds =
            receiptMs >= 0 ? receiptMs / 1000 : -((-receiptMs + 999) / 1000);
        result.answer.differenceSeconds = serverSeconds - receiptSeconds;
        // The server's second is truncated: its middle, against the middle of the exchange.
        result.answer.offsetMilliseconds =
            serverSeconds * 1000 + 500 - (connectedMs + (receiptMs - connectedMs) / 2);
        return result;
    }
    return result;
}

} // namespace tarnwick
