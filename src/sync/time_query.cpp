#include "sync/time_query.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/clock.h"
#include "platform/name_resolver.h"
#include "platform/wake_event.h"

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

TimeQueryResult QueryTimeServer(const ServerAddress& server, const TimeQueryContext& context,
                                std::chrono::milliseconds timeout,
                                const std::function<void()>& onConnectDone) {
    TimeQueryResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string noReply = "no reply within " + Seconds(timeout) + " s";
    const int wakeFd = context.wake != nullptr ? context.wake->Descriptor() : -1;
    const IClock& clock = *context.clock;

    const INameResolver& resolver =
        context.resolver != nullptr ? *context.resolver : SystemNameResolver();
    const Resolution resolved = resolver.Resolve(server.host, server.port, timeout, context.wake);
    if (!resolved.error.empty()) {
        result.reason = resolved.error.rfind("no answer within", 0) == 0
                            ? "name lookup: " + resolved.error
                            : resolved.error;
        return result;
    }

    result.reason = "no address";
    for (const SocketAddress& a : resolved.addresses) {
        Socket socket(::socket(a.family, a.socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.protocol));
        if (socket.fd() < 0) {
            result.reason = ErrnoText(errno);
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr*>(a.bytes.data());
        if (::connect(socket.fd(), address, static_cast<socklen_t>(a.bytes.size())) != 0 &&
            errno != EINPROGRESS) {
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
        const std::int64_t connectedUs = clock.NowUnixMicroseconds();
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
        const std::int64_t receiptUs = clock.NowUnixMicroseconds();
        const std::optional<std::uint32_t> value = ReadTimeProtocolValue(bytes, count);
        if (!value) {
            result.reason = count == 0 ? "closed the connection without a reply"
                                       : "reply of " + std::to_string(count) + " bytes";
            return result;
        }
        const std::int64_t serverSeconds = DecodeTimeProtocolValue(*value);
        if (serverSeconds < context.floorUnixSeconds) {
            result.reason = "time before this program was built";
            return result;
        }
        result.answered = true;
        result.reason.clear();
        result.answer.server = FormatServerAddress(server);
        const std::int64_t receiptSeconds =
            receiptUs >= 0 ? receiptUs / 1'000'000 : -((-receiptUs + 999'999) / 1'000'000);
        result.answer.differenceSeconds = serverSeconds - receiptSeconds;
        result.answer.sample = {serverSeconds, connectedUs, receiptUs};
        return result;
    }
    return result;
}

} // namespace tarnwick
