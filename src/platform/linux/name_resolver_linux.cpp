// Name lookups with getaddrinfo on a thread of their own. The caller waits on a descriptor the
// thread signals when done, on its wake event and on its deadline; the thread and its result
// share a record that the last of the two frees, so a caller that stops waiting leaves the
// lookup to finish (or hang) alone.
#include "platform/name_resolver.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/wake_event.h"

namespace tarnwick {

namespace {

std::string SecondsText(std::chrono::milliseconds timeout) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(timeout.count()) / 1000.0);
    return text;
}

std::string LookupError(int gai, int savedErrno) {
    if (gai == EAI_SYSTEM) {
        return std::strerror(savedErrno);
    }
    return ::gai_strerror(gai);
}

// getaddrinfo, IPv4 addresses before the others.
Resolution Lookup(const std::string& host, std::uint16_t port, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int gai = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    const int savedErrno = errno;
    Resolution result;
    if (gai != 0) {
        result.error = LookupError(gai, savedErrno);
        return result;
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
            if ((a->ai_family == AF_INET) == (pass == 0)) {
                const auto* bytes = reinterpret_cast<const unsigned char*>(a->ai_addr);
                result.addresses.push_back(
                    {a->ai_family, a->ai_socktype, a->ai_protocol, {bytes, bytes + a->ai_addrlen}});
            }
        }
    }
    ::freeaddrinfo(found);
    return result;
}

// A numeric address resolves at once, without a lookup thread; false for a name.
bool ResolveNumeric(const std::string& host, std::uint16_t port, Resolution& result) {
    result = Lookup(host, port, AI_NUMERICHOST);
    return result.error.empty();
}

// 1: done readable, 0: deadline, -1: woken.
int WaitForDone(int doneFd, const WakeEvent* wake, std::chrono::steady_clock::time_point end) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return 0;
        }
        pollfd fds[2] = {{doneFd, POLLIN, 0}, {wake ? wake->Descriptor() : -1, POLLIN, 0}};
        const int n = ::poll(fds, 2, static_cast<int>(left.count()));
        if (n < 0 && errno != EINTR) {
            return 0;
        }
        if (n > 0 && (fds[1].revents & POLLIN)) {
            return -1;
        }
        if (n > 0 && (fds[0].revents & POLLIN)) {
            return 1;
        }
    }
}

Resolution Abandoned(int state, std::chrono::milliseconds timeout) {
    Resolution result;
    result.error = state < 0 ? "stopped" : "no answer within " + SecondsText(timeout) + " s";
    return result;
}

class SystemResolver final : public INameResolver {
public:
    Resolution Resolve(const std::string& host, std::uint16_t port,
                       std::chrono::milliseconds timeout, const WakeEvent* wake) const override {
        Resolution result;
        if (ResolveNumeric(host, port, result)) {
            return result;
        }
        struct Shared {
            WakeEvent done;
            std::mutex mutex; // guards result, written by the lookup thread before done
            Resolution result;
        };
        auto shared = std::make_shared<Shared>();
        const auto end = std::chrono::steady_clock::now() + timeout;
        try {
            std::thread([shared, host, port] {
                Resolution found = Lookup(host, port, 0);
                {
                    std::lock_guard<std::mutex> lock(shared->mutex);
                    shared->result = std::move(found);
                }
                shared->done.Signal();
            }).detach();
        } catch (const std::system_error& e) {
            result.error = std::string("cannot start a name lookup: ") + e.what();
            return result;
        }
        const int state = WaitForDone(shared->done.Descriptor(), wake, end);
        if (state <= 0) {
            return Abandoned(state, timeout);
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        return shared->result;
    }
};

} // namespace

const INameResolver& SystemNameResolver() {
    static const SystemResolver resolver;
    return resolver;
}

Resolution SilentNameResolver::Resolve(const std::string& host, std::uint16_t port,
                                       std::chrono::milliseconds timeout,
                                       const WakeEvent* wake) const {
    Resolution result;
    if (ResolveNumeric(host, port, result)) {
        return result;
    }
    const WakeEvent never;
    return Abandoned(
        WaitForDone(never.Descriptor(), wake, std::chrono::steady_clock::now() + timeout), timeout);
}

} // namespace tarnwick
