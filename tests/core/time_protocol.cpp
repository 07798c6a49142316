// The Time Protocol's reply decoding, the build-date floor and the server list.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/case_tables.h"
#include "sync/time_protocol.h"

using namespace tarnwick;

namespace {

// Both sides of the rollovers, from a table under tests/data/time/.
TEST(TimeProtocol, DecodesIntoSixtyFourBitSecondsAndBack) {
    for (const test::CaseRow& c : test::ReadCaseTable("time/eras.txt", 3)) {
        const auto value = static_cast<std::uint32_t>(std::stoul(c[0], nullptr, 16));
        EXPECT_EQ(DecodeTimeProtocolValue(value), std::stoll(c[1])) << c;
        EXPECT_EQ(EncodeTimeProtocolValue(std::stoll(c[1])), value) << c;
    }
}

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

TEST(ServerEntry, NamesAHostAndPortOrSaysWhatIsWrong) {
    for (const test::CaseRow& c : test::ReadCaseTable("time/server_entries.txt", 2)) {
        std::string error;
        const auto address = ParseServerEntry(c[0], kTimeProtocolPort, error);
        EXPECT_EQ(address ? address->host + " " + std::to_string(address->port) : error, c[1]) << c;
    }
}

TEST(ServerList, SplitsAtCommasAndTrims) {
    for (const test::CaseRow& c : test::ReadCaseTable("time/server_lists.txt", 2)) {
        std::vector<std::string> servers{"kept"};
        AppendServerList(c[0], servers);
        std::string added;
        for (const std::string& server : servers) {
            added += "[" + server + "]";
        }
        EXPECT_EQ(added, "[kept]" + c[1]) << c;
    }
}

} // namespace
