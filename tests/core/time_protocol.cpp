// The Time Protocol's reply decoding, the build-date floor and the server list.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sync/time_protocol.h"

using namespace tarnwick;

namespace {

struct EraCase {
    std::uint32_t value;
    std::int64_t unixSeconds;
    const char* what;
};

class TimeProtocolEra : public ::testing::TestWithParam<EraCase> {};

TEST_P(TimeProtocolEra, DecodesIntoSixtyFourBitSecondsAndBack) {
    const EraCase& c = GetParam();
    EXPECT_EQ(DecodeTimeProtocolValue(c.value), c.unixSeconds) << c.what;
    EXPECT_EQ(EncodeTimeProtocolValue(c.unixSeconds), c.value) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    BothSidesOfTheRollovers, TimeProtocolEra,
    ::testing::Values(EraCase{0xC26F5140u, 1053086400, "2003-05-16 12:00:00 UTC"},
                      EraCase{2208988800u, 0, "1970-01-01 00:00:00 UTC"},
                      EraCase{0xFFFFFFFFu, 2085978495,
                              "2036-02-07 06:28:15 UTC, last second of era 0"},
                      EraCase{0u, 2085978496, "2036-02-07 06:28:16 UTC, first second of era 1"},
                      EraCase{61505151u, 2147483647, "2038-01-19 03:14:07 UTC, last 32-bit time_t"},
                      EraCase{61505152u, 2147483648LL, "2038-01-19 03:14:08 UTC"},
                      EraCase{2208988799u, 4294967295LL, "2106-02-07 06:28:15 UTC, end of era 1"}));

TEST(TimeProtocol, ReadsTheFirstFourBytesMostSignificantFirst) {
    const std::uint8_t bytes[] = {0xC2, 0x6F, 0x51, 0x40, 0x99, 0x01};
    EXPECT_EQ(ReadTimeProtocolValue(bytes, 4), 0xC26F5140u);
    EXPECT_EQ(ReadTimeProtocolValue(bytes, 6), 0xC26F5140u); // more than four: the first four
    EXPECT_FALSE(ReadTimeProtocolValue(bytes, 3));
    EXPECT_FALSE(ReadTimeProtocolValue(bytes, 0));
    const std::uint8_t zeros[] = {0xE9, 0x00, 0x00, 0x00};
    EXPECT_EQ(ReadTimeProtocolValue(zeros, 4), 0xE9000000u);
}

TEST(TimeProtocol, BuildDateIsAMidnightAfterTheProtocolsLastYearsAndNotInTheFuture) {
    const std::int64_t built = BuildDateUnixSeconds();
    EXPECT_EQ(built % 86400, 0);
    EXPECT_GT(built, 1700000000);                           // 2023-11
    EXPECT_LT(built, 4102444800LL);                         // 2100
    EXPECT_LT(DecodeTimeProtocolValue(0xC26F5140u), built); // a 2003 reply is below the floor
}

struct EntryCase {
    const char* entry;
    const char* host; // nullptr: rejected
    std::uint16_t port;
};

class ServerEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ServerEntry, Parses) {
    const EntryCase& c = GetParam();
    std::string error;
    const auto address = ParseServerEntry(c.entry, kTimeProtocolPort, error);
    if (c.host == nullptr) {
        EXPECT_FALSE(address) << c.entry;
        EXPECT_NE(error.find(c.entry[0] == ' ' ? "empty" : "'"), std::string::npos) << error;
        return;
    }
    ASSERT_TRUE(address) << c.entry << ": " << error;
    EXPECT_EQ(address->host, c.host);
    EXPECT_EQ(address->port, c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ServerEntry,
    ::testing::Values(EntryCase{"time.example.org", "time.example.org", 37},
                      EntryCase{"127.0.0.1:3742", "127.0.0.1", 3742},
                      EntryCase{"[::1]:3742", "::1", 3742}, EntryCase{"::1", "::1", 37},
                      EntryCase{"[fe80::1]", "fe80::1", 37}, EntryCase{"host:0", nullptr, 0},
                      EntryCase{"host:65536", nullptr, 0}, EntryCase{"host:", nullptr, 0},
                      EntryCase{"[::1", nullptr, 0}, EntryCase{"[::1]x", nullptr, 0},
                      EntryCase{" ", nullptr, 0}));

struct ListCase {
    const char* text;
    std::vector<std::string> servers;
};

class ServerList : public ::testing::TestWithParam<ListCase> {};

TEST_P(ServerList, SplitsAtCommasAndTrims) {
    std::vector<std::string> servers{"kept"};
    AppendServerList(GetParam().text, servers);
    std::vector<std::string> expected{"kept"};
    expected.insert(expected.end(), GetParam().servers.begin(), GetParam().servers.end());
    EXPECT_EQ(servers, expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Rules, ServerList,
                         ::testing::Values(ListCase{"a , b\t,\r\nc", {"a", "b", "c"}},
                                           ListCase{"a,,b", {"a", "", "b"}}, ListCase{"a,", {"a"}},
                                           ListCase{"a, ", {"a", ""}}, ListCase{"", {}}));

} // namespace
