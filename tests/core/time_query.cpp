// One attempt against a loopback Time Protocol server started by the test: how soon it gives up,
// its name lookup included. Each reply and fault mode is tested through the time-sync client,
// which reports the same answers and reasons.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/name_resolver.h"
#include "platform/wake_event.h"
#include "support/time_server.h"
#include "sync/time_query.h"

using namespace tarnwick;
using namespace tarnwick::test;
using namespace std::chrono_literals;

namespace {

// A server that never answers and a name server that never answers end the attempt at its
// timeout, or at once when the wake event is signalled.
TEST(TimeQuery, SilenceEndsAtTheTimeoutOrWhenWoken) {
    LoopbackTimeServer hang(TimeServerMode::Hang);
    const SilentNameResolver silent;
    const struct {
        ServerAddress server;
        const char* reason;
    } cases[] = {{{"127.0.0.1", hang.Port()}, "no reply within 0.2 s"},
                 {{"time.example.org", 37}, "name lookup: no answer within 0.2 s"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server.host);
        WakeEvent wake;
        const TimeQueryContext context{&SystemClock::Instance(), &silent, &wake};
        EXPECT_EQ(QueryTimeServer(c.server, context, 200ms).reason, c.reason);
        std::thread waker([&wake] {
            std::this_thread::sleep_for(50ms);
            wake.Signal();
        });
        const auto start = std::chrono::steady_clock::now();
        const TimeQueryResult result = QueryTimeServer(c.server, context, 5s);
        waker.join();
        EXPECT_EQ(result.reason, "stopped");
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    }
}

} // namespace
