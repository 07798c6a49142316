// The time client's loop over the servers against loopback servers started by the test, with
// the waits shortened to milliseconds: rotation, fault modes, and how quickly it stops.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "settings/clock_settings.h"
#include "support/time_server.h"
#include "sync/clock_sync_client.h"
#include "sync/time_sync_client.h"

using namespace tarnwick;
using namespace tarnwick::test;
using namespace std::chrono_literals;

namespace {

const SyncTimings kFast{5ms, 300ms, 20ms};

// 2026-12-07 12:00:00.250 UTC, for the servers and the client alike.
constexpr std::int64_t kNowMs = 1796644800250LL;

LoopbackTimeServer::Options Mode(TimeServerMode mode, std::int64_t offsetSeconds = 0,
                                 std::uint32_t fixed = 0) {
    static FixedClock clock(0);
    clock.SetMilliseconds(kNowMs);
    LoopbackTimeServer::Options options;
    options.mode = mode;
    options.offsetSeconds = offsetSeconds;
    options.fixedValue = fixed;
    options.clock = &clock;
    return options;
}

const IClock& StillClock() {
    static FixedClock clock(0);
    clock.SetMilliseconds(kNowMs);
    return clock;
}

// Polls until done() or the limit; true when done.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

class TimeSyncClientTest : public ::testing::Test {
protected:
    void SetUp() override { CTimeSyncClient::SetNextServerPosition(0); }
};

TEST_F(TimeSyncClientTest, ReplyFromTheSecondServerLeavesThePositionAtTheThird) {
    LoopbackTimeServer refused(Mode(TimeServerMode::Refused));
    LoopbackTimeServer second(Mode(TimeServerMode::Offset, 3600));
    LoopbackTimeServer third(Mode(TimeServerMode::Offset, 3600));
    CTimeSyncClient client(StillClock(), kFast);
    client.ParseServerList(refused.Entry() + " , " + second.Entry() + ",\t" + third.Entry());
    ASSERT_TRUE(client.StartSync());
    EXPECT_FALSE(client.StartSync()); // one check at a time
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }));
    TimeSyncSnapshot state = client.Snapshot();
    EXPECT_EQ(state.currentServer, second.Entry());
    EXPECT_EQ(state.differenceSeconds, 3600);
    // The server's second is truncated: its middle against the local .250.
    EXPECT_EQ(state.offsetMilliseconds, 3600250);
    EXPECT_EQ(state.lastFailure, refused.Entry() + ": connection refused");
    EXPECT_EQ(CTimeSyncClient::NextServerPosition(), 2u);
    EXPECT_EQ(third.Connections(), 0);

    // The next check starts where the last one left off.
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }));
    EXPECT_EQ(client.GetServerName(), third.Entry());
    EXPECT_EQ(third.Connections(), 1);
    EXPECT_EQ(second.Connections(), 1);
    // A reply from the last server of the list wraps the position to 0.
    EXPECT_EQ(CTimeSyncClient::NextServerPosition(), 0u);
}

TEST_F(TimeSyncClientTest, APositionBeyondAShorterListStartsWithTheFirstServer) {
    LoopbackTimeServer first(TimeServerMode::Normal);
    LoopbackTimeServer second(TimeServerMode::Normal);
    CTimeSyncClient::SetNextServerPosition(5);
    CTimeSyncClient client(SystemClock::Instance(), kFast);
    client.ParseServerList(first.Entry() + "," + second.Entry());
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }));
    EXPECT_EQ(client.GetServerName(), first.Entry());
    EXPECT_EQ(second.Connections(), 0);
    EXPECT_EQ(CTimeSyncClient::NextServerPosition(), 1u);
}

TEST_F(TimeSyncClientTest, AnEmptyListEndsTheCheckAtOnceAndKeepsTheServerName) {
    CTimeSyncClient client(SystemClock::Instance(), kFast);
    client.ParseServerList("");
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }, 500ms));
    const TimeSyncSnapshot state = client.Snapshot();
    EXPECT_EQ(state.status, StatusConnecting);
    EXPECT_EQ(state.currentServer, "");
    EXPECT_TRUE(state.searching);
}

TEST_F(TimeSyncClientTest, EachAttemptHasItsOwnConnection) {
    // A hanging server is cut off at the attempt's end, and the next server still answers.
    LoopbackTimeServer hang(TimeServerMode::Hang);
    LoopbackTimeServer answer(TimeServerMode::Offset, -60);
    CTimeSyncClient client(SystemClock::Instance(), kFast);
    client.ParseServerList(hang.Entry() + "," + answer.Entry());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
    const TimeSyncSnapshot state = client.Snapshot();
    EXPECT_EQ(state.lastFailure, hang.Entry() + ": no reply within 0.3 s");
    EXPECT_EQ(state.currentServer, answer.Entry());
    EXPECT_EQ(state.differenceSeconds, -60);
}

// The window's client: every fault leaves the clock alone and says why.
struct FaultCase {
    const char* name;
    LoopbackTimeServer::Options server;
    const char* reason; // after "127.0.0.1:PORT: "
};

class ClockSyncFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ClockSyncFault, LeavesTheClockAloneWithAReason) {
    const FaultCase& c = GetParam();
    LoopbackTimeServer server(c.server);
    FakeClockSetter setter;
    RecordingMessageBox messages;
    CClockSyncClient client(SystemClock::Instance(), messages, setter, kFast);
    client.SetCheckOptions({1, kUpdateAutomatic});
    client.ParseServerList(server.Entry());
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.Snapshot().lastFailure.empty(); }));
    client.Stop();
    const TimeSyncSnapshot state = client.Snapshot();
    EXPECT_EQ(state.lastFailure, server.Entry() + ": " + c.reason) << c.name;
    EXPECT_EQ(state.status, StatusConnecting) << c.name;
    EXPECT_TRUE(setter.steps.empty()) << c.name;
    EXPECT_TRUE(messages.shown.empty()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ClockSyncFault,
    ::testing::Values(FaultCase{"2 bytes", Mode(TimeServerMode::TwoBytes), "reply of 2 bytes"},
                      FaultCase{"empty close", Mode(TimeServerMode::EmptyClose),
                                "closed the connection without a reply"},
                      FaultCase{"2003", Mode(TimeServerMode::Fixed, 0, 0xC26F5140u),
                                "time before this program was built"},
                      FaultCase{"hang", Mode(TimeServerMode::Hang), "no reply within 0.3 s"},
                      FaultCase{"refused", Mode(TimeServerMode::Refused), "connection refused"}));

TEST(ClockSync, AnUnresolvableNameIsNoAnswer) {
    FakeClockSetter setter;
    RecordingMessageBox messages;
    CClockSyncClient client(SystemClock::Instance(), messages, setter, kFast);
    client.ParseServerList("no-such-host.invalid, ");
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.Snapshot().lastFailure.empty(); }));
    const std::string failure = client.Snapshot().lastFailure;
    EXPECT_EQ(failure.rfind("no-such-host.invalid:37: ", 0), 0u) << failure;
    EXPECT_GT(failure.size(), std::string("no-such-host.invalid:37: ").size());
    // The blank entry after the comma is asked next and fails without a connection.
    EXPECT_TRUE(WaitUntil([&] { return client.Snapshot().lastFailure == ": empty server name"; }));
    client.Stop();
    EXPECT_TRUE(setter.steps.empty());
}

// Answers that count: the clock is stepped by the estimate ("Automaticly", margin 1).
class ClockSyncAnswer : public ::testing::TestWithParam<TimeServerMode> {};

TEST_P(ClockSyncAnswer, StepsTheClockByTheEstimate) {
    LoopbackTimeServer server(Mode(GetParam(), 3600));
    FakeClockSetter setter;
    RecordingMessageBox messages;
    CClockSyncClient client(StillClock(), messages, setter, kFast);
    client.SetCheckOptions({1, kUpdateAutomatic});
    client.ParseServerList(server.Entry());
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return client.Snapshot().status == StatusSynchronized; }));
    ASSERT_EQ(setter.steps.size(), 1u);
    EXPECT_EQ(setter.steps[0], 3600250000);
    EXPECT_EQ(client.GetDifference(), 3600);
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, ClockSyncAnswer,
                         ::testing::Values(TimeServerMode::Offset, TimeServerMode::Split,
                                           TimeServerMode::EightBytes, TimeServerMode::Slow));

TEST(TimeSyncShutdown, DestroyingTheClientDuringAHangingAttemptReturnsAtOnce) {
    LoopbackTimeServer hang(TimeServerMode::Hang);
    auto client = std::make_unique<CTimeSyncClient>(SystemClock::Instance()); // 7.5 s waits
    client->ParseServerList(hang.Entry());
    ASSERT_TRUE(client->StartSync());
    ASSERT_TRUE(WaitUntil([&] { return hang.Connections() == 1; }));
    std::this_thread::sleep_for(20ms); // the read is waiting now
    const auto start = std::chrono::steady_clock::now();
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
}

TEST(TimeSyncShutdown, StoppingDuringTheWaitsAfterAnAnswerReturnsAtOnce) {
    LoopbackTimeServer server(TimeServerMode::Normal);
    auto client = std::make_unique<CTimeSyncClient>(SystemClock::Instance());
    client->ParseServerList(server.Entry());
    ASSERT_TRUE(client->StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client->Snapshot().searching; }));
    EXPECT_TRUE(client->IsBusy()); // the attempt's waits go on
    const auto start = std::chrono::steady_clock::now();
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
}

} // namespace
