// Whether the computer has a network connection: a non-loopback interface that is up and
// carries a default route. Polled by the "network comes up" check trigger.
#pragma once

#include <memory>

namespace tarnwick {

class INetworkLink {
public:
    virtual ~INetworkLink() = default;
    virtual bool IsConnected() const = 0;
};

// Scripted answer for tests.
class FakeNetworkLink final : public INetworkLink {
public:
    bool IsConnected() const override { return connected; }
    bool connected = false;
};

// Reads the kernel's routing table and interface flags.
std::unique_ptr<INetworkLink> MakeSystemNetworkLink();

} // namespace tarnwick
