// Placeholder until the routing-table reader lands: never connected.
#include "platform/network_link.h"

namespace tarnwick {

namespace {

class UnknownNetworkLink final : public INetworkLink {
public:
    bool IsConnected() const override { return false; }
};

} // namespace

std::unique_ptr<INetworkLink> MakeSystemNetworkLink() {
    return std::make_unique<UnknownNetworkLink>();
}

} // namespace tarnwick
