#include "platform/network_routes.h"

#include <gtest/gtest.h>

#include "platform/network_link.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace tarnwick {
namespace {

using Names = std::vector<std::string>;

std::string Fixture(const std::string& name) {
    return test::TestDataPath("routes/" + name);
}

struct RouteCase {
    const char* fixture;
    Names ipv4;     // interfaces with a usable IPv4 default route
    Names ipv6;     // the same for IPv6
    bool connected; // a default route on an interface that is up
};

class NetworkRoutes : public testing::TestWithParam<RouteCase> {};

TEST_P(NetworkRoutes, DefaultRoutesAndConnectionFromKernelText) {
    const RouteCase& c = GetParam();
    const std::string root = Fixture(c.fixture);
    const std::string route = test::ReadFileBytes(root + "/proc/net/route");
    const std::string route6 = test::ReadFileBytes(root + "/proc/net/ipv6_route");
    ASSERT_FALSE(route.empty()) << root;
    EXPECT_EQ(ParseIpv4DefaultRouteInterfaces(route), c.ipv4);
    EXPECT_EQ(ParseIpv6DefaultRouteInterfaces(route6), c.ipv6);
    EXPECT_EQ(ReadNetworkConnected(root), c.connected);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, NetworkRoutes,
    testing::Values(RouteCase{"eth0_up", {"eth0"}, {"eth0"}, true},
                    RouteCase{"no_default", {}, {}, false},
                    // The kernel's unreachable IPv6 default sits on lo as well.
                    RouteCase{"lo_only", {}, {}, false},
                    // Cable out (operstate down) and an interface switched off (no IFF_UP).
                    RouteCase{"eth0_down", {"eth0", "wlan0"}, {}, false},
                    RouteCase{"ipv6_only", {}, {"wlan0"}, true},
                    // Short, non-hex, over-long and unsafe-name lines are skipped.
                    RouteCase{"malformed", {"ppp0"}, {}, true},
                    RouteCase{"rejected", {}, {}, false}),
    [](const testing::TestParamInfo<RouteCase>& info) { return std::string(info.param.fixture); });

TEST(NetworkRoutesFiles, MissingFilesMeanNotConnected) {
    test::TempDir empty;
    EXPECT_FALSE(ReadNetworkConnected(empty.Path()));
    EXPECT_FALSE(ReadNetworkConnected(empty / "no/such/root"));
}

TEST(NetworkRoutesFiles, InterfaceUpNeedsTheUpFlagAndNoLostCarrier) {
    const struct {
        const char* flags;
        const char* operstate;
        bool up;
    } cases[] = {
        {"0x1003\n", "up\n", true},       {"0x1003\n", "unknown\n", true},
        {"0x1003\n", "", true},           {"0x1002\n", "up\n", false},
        {"0x1003\n", "down\n", false},    {"0x1003\n", "lowerlayerdown\n", false},
        {"0x1003\n", "dormant\n", false}, {"", "up\n", false},
        {"0xzz\n", "up\n", false},        {"0x1000000001\n", "up\n", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseInterfaceUp(c.flags, c.operstate), c.up) << c.flags << c.operstate;
    }
}

TEST(NetworkRoutesFiles, InterfaceNamesThatWouldLeaveTheDirectoryAreRefused) {
    for (const char* bad : {"", ".", "..", "../etc", "eth 0", "a234567890123456"}) {
        EXPECT_FALSE(IsSafeInterfaceName(bad)) << bad;
    }
    for (const char* good : {"eth0", "wlp3s0", "enx001122334455", "br-1.5"}) {
        EXPECT_TRUE(IsSafeInterfaceName(good)) << good;
    }
}

} // namespace
} // namespace tarnwick
