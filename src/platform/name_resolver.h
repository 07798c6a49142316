// Turning a host name into addresses, bounded in time: a lookup that the resolver does not
// answer in time, or that is no longer wanted, is abandoned rather than waited for.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

class WakeEvent;

// One address to connect to, as the socket calls take it.
struct SocketAddress {
    int family = 0;
    int socktype = 0;
    int protocol = 0;
    std::vector<unsigned char> bytes; // a sockaddr_in or sockaddr_in6
};

struct Resolution {
    std::vector<SocketAddress> addresses; // IPv4 first; empty on failure
    std::string error; // why none, e.g. "Name or service not known", "no answer within 2 s"
};

class INameResolver {
public:
    virtual ~INameResolver() = default;
    // TCP addresses of host (a name or a numeric address) with port. Returns within timeout,
    // or as soon as wake (when given) is signalled, error "stopped". Any thread.
    virtual Resolution Resolve(const std::string& host, std::uint16_t port,
                               std::chrono::milliseconds timeout, const WakeEvent* wake) const = 0;
};

// The C library's resolver; a name lookup runs on a thread of its own that is left to finish
// alone when the caller stops waiting.
const INameResolver& SystemNameResolver();

// Numeric addresses as the system resolves them; every name goes unanswered, as behind a
// name server that never replies.
class SilentNameResolver final : public INameResolver {
public:
    Resolution Resolve(const std::string& host, std::uint16_t port,
                       std::chrono::milliseconds timeout, const WakeEvent* wake) const override;
};

} // namespace tarnwick
