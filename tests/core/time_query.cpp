// One attempt against a loopback Time Protocol server started by the test, in its fault modes.
#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "support/time_server.h"
#include "sync/time_query.h"

using namespace tarnwick;
using namespace tarnwick::test;
using namespace std::chrono_literals;

namespace {

// 2026-12-07 12:00:00.250 UTC on the local clock.
constexpr std::int64_t kLocalMs = 1796644800250LL;

struct FaultCase {
    const char* name;
    TimeServerMode mode;
    std::uint32_t fixedValue;
    bool answered;
    const char* reason;
    std::int64_t difference;
};

class TimeQueryFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(TimeQueryFault, AnswersOrSaysWhyNot) {
    const FaultCase& c = GetParam();
    FixedClock clock(0);
    clock.SetMilliseconds(kLocalMs);
    LoopbackTimeServer::Options options;
    options.mode = c.mode;
    options.offsetSeconds = 3600;
    options.fixedValue = c.fixedValue;
    options.clock = &clock;
    LoopbackTimeServer server(options);
    const TimeQueryResult result = QueryTimeServer({"127.0.0.1", server.Port()}, clock, 2000ms);
    EXPECT_EQ(result.answered, c.answered) << c.name << ": " << result.reason;
    EXPECT_EQ(result.reason, c.reason) << c.name;
    if (c.answered) {
        EXPECT_EQ(result.answer.differenceSeconds, c.difference);
        EXPECT_EQ(result.answer.offsetMilliseconds, c.difference * 1000 + 250);
        EXPECT_EQ(result.answer.server, server.Entry());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TimeQueryFault,
    ::testing::Values(FaultCase{"offset", TimeServerMode::Offset, 0, true, "", 3600},
                      FaultCase{"split 1+3", TimeServerMode::Split, 0, true, "", 3600},
                      FaultCase{"8 bytes", TimeServerMode::EightBytes, 0, true, "", 3600},
                      FaultCase{"slow", TimeServerMode::Slow, 0, true, "", 3600},
                      FaultCase{"2 bytes", TimeServerMode::TwoBytes, 0, false, "reply of 2 bytes",
                                0},
                      FaultCase{"empty close", TimeServerMode::EmptyClose, 0, false,
                                "closed the connection without a reply", 0},
                      FaultCase{"fixed 2003 value", TimeServerMode::Fixed, 0xC26F5140u, false,
                                "time before this program was built", 0}));

TEST(TimeQuery, RefusedPortFailsAtOnce) {
    LoopbackTimeServer server(TimeServerMode::Refused);
    const auto start = std::chrono::steady_clock::now();
    const TimeQueryResult result =
        QueryTimeServer({"127.0.0.1", server.Port()}, SystemClock::Instance(), 2000ms);
    EXPECT_FALSE(result.answered);
    EXPECT_EQ(result.reason, "connection refused");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

TEST(TimeQuery, HangingServerEndsAtTheTimeoutOrWhenWoken) {
    {
        LoopbackTimeServer server(TimeServerMode::Hang);
        const TimeQueryResult result =
            QueryTimeServer({"127.0.0.1", server.Port()}, SystemClock::Instance(), 200ms);
        EXPECT_EQ(result.reason, "no reply within 0.2 s");
    }
    LoopbackTimeServer server(TimeServerMode::Hang);
    const int wake = ::eventfd(0, EFD_CLOEXEC);
    std::thread waker([wake] {
        std::this_thread::sleep_for(50ms);
        const std::uint64_t one = 1;
        EXPECT_EQ(::write(wake, &one, sizeof one), 8);
    });
    const auto start = std::chrono::steady_clock::now();
    const TimeQueryResult result =
        QueryTimeServer({"127.0.0.1", server.Port()}, SystemClock::Instance(), 5000ms, wake);
    waker.join();
    ::close(wake);
    EXPECT_FALSE(result.answered);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
}

TEST(TimeQuery, UnresolvableNameGivesTheResolversText) {
    const TimeQueryResult result =
        QueryTimeServer({"no-such-host.invalid", 37}, SystemClock::Instance(), 1000ms);
    EXPECT_FALSE(result.answered);
    EXPECT_FALSE(result.reason.empty());
}

} // namespace
