#include "platform/network_routes.h"

#include <gtest/gtest.h>

#include "platform/network_link.h"
#include "support/case_tables.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace tarnwick {
namespace {

std::string Fixture(const std::string& name) {
    return test::TestDataPath("routes/" + name);
}

TEST(NetworkRoutes, DefaultRoutesAndConnectionFromKernelText) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/network_routes.txt", 4)) {
        const std::string root = Fixture(c[0]);
        const std::string route = test::ReadFileBytes(root + "/proc/net/route");
        const std::string route6 = test::ReadFileBytes(root + "/proc/net/ipv6_route");
        ASSERT_FALSE(route.empty()) << root;
        EXPECT_EQ(ParseIpv4DefaultRouteInterfaces(route), c.Words(1)) << c;
        EXPECT_EQ(ParseIpv6DefaultRouteInterfaces(route6), c.Words(2)) << c;
        EXPECT_EQ(ReadNetworkConnected(root), c.Flag(3)) << c;
    }
}

TEST(NetworkRoutesFiles, MissingFilesMeanNotConnected) {
    test::TempDir empty;
    EXPECT_FALSE(ReadNetworkConnected(empty.Path()));
    EXPECT_FALSE(ReadNetworkConnected(empty / "no/such/root"));
}

TEST(NetworkRoutesFiles, InterfaceUpNeedsTheUpFlagAndNoLostCarrier) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/interface_up.txt", 3)) {
        EXPECT_EQ(ParseInterfaceUp(c[0], c[1]), c.Flag(2)) << c;
    }
}

TEST(NetworkRoutesFiles, InterfaceNamesThatWouldLeaveTheDirectoryAreRefused) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/interface_names.txt", 2)) {
        EXPECT_EQ(IsSafeInterfaceName(c[0]), c.Flag(1)) << c;
    }
}

} // namespace
} // namespace tarnwick
