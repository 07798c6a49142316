// One attempt against a loopback Time Protocol server started by the test: how soon it gives up.
// Each reply and fault mode is tested through the time-sync client, which reports the same
// answers and reasons.
#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "support/time_server.h"
#include "sync/time_query.h"

using namespace tarnwick;
using namespace tarnwick::test;
using namespace std::chrono_literals;

namespace {

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

} // namespace
