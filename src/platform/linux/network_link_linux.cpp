// The network link from the kernel: a default route (IPv4 or IPv6) on an interface that is up.
#include "platform/network_link.h"
#include "platform/network_routes.h"

#include <fstream>
#include <iterator>
#include <string>

namespace tarnwick {

namespace {

// The whole of a small kernel file; empty when it cannot be read.
std::string ReadKernelText(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        return {};
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool InterfaceIsUp(const std::string& root, const std::string& name) {
    if (!IsSafeInterfaceName(name)) {
        return false;
    }
    const std::string dir = root + "/sys/class/net/" + name + "/";
    return ParseInterfaceUp(ReadKernelText(dir + "flags"), ReadKernelText(dir + "operstate"));
}

class KernelNetworkLink final : public INetworkLink {
public:
    bool IsConnected() const override { return ReadNetworkConnected(""); }
};

} // namespace

bool ReadNetworkConnected(const std::string& root) {
    for (const std::string& name :
         ParseIpv4DefaultRouteInterfaces(ReadKernelText(root + "/proc/net/route"))) {
        if (InterfaceIsUp(root, name)) {
            return true;
        }
    }
    for (const std::string& name :
         ParseIpv6DefaultRouteInterfaces(ReadKernelText(root + "/proc/net/ipv6_route"))) {
        if (InterfaceIsUp(root, name)) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<INetworkLink> MakeSystemNetworkLink() {
    return std::make_unique<KernelNetworkLink>();
}

} // namespace tarnwick
