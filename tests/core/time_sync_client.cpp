// The time client's loop over the servers against loopback servers started by the test, with
// the waits shortened to milliseconds: rotation, fault modes, the guard before a step, the
// precise estimate, and how quickly it stops.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/name_resolver.h"
#include "platform/system_time.h"
#include "settings/clock_settings.h"
#include "support/time_server.h"
#include "sync/clock_sync_client.h"
#include "sync/time_protocol.h"
#include "sync/time_sync_client.h"

using namespace tarnwick;
using namespace tarnwick::test;
using namespace std::chrono_literals;

namespace {

const SyncTimings kFast{5ms, 300ms, 20ms, 20ms};
const FakeSystemTimeService kNoNtp;

// Noon of the day this program was built (the client refuses answers from before that day),
// a quarter into the second, for the servers and the client alike.
const std::int64_t kNowMs = (BuildDateUnixSeconds() + 43200) * 1000 + 250;

const IClock& StillClock() {
    static FixedClock clock(0);
    clock.SetMilliseconds(kNowMs);
    return clock;
}

LoopbackTimeServer::Options Mode(TimeServerMode mode, std::int64_t offsetSeconds = 0) {
    return {.mode = mode, .offsetSeconds = offsetSeconds, .clock = &StillClock()};
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

// A hanging server is cut off at the attempt's end, and the next server answers.
TEST_F(TimeSyncClientTest, ReplyFromTheSecondServerLeavesThePositionAtTheThird) {
    LoopbackTimeServer hang(Mode(TimeServerMode::Hang));
    LoopbackTimeServer second(Mode(TimeServerMode::Offset, 3600));
    LoopbackTimeServer third(Mode(TimeServerMode::Offset, 3600));
    CTimeSyncClient client(StillClock(), kFast);
    client.ParseServerList(hang.Entry() + " , " + second.Entry() + ",\t" + third.Entry());
    ASSERT_TRUE(client.StartSync());
    EXPECT_FALSE(client.StartSync()); // one check at a time
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }));
    TimeSyncSnapshot state = client.Snapshot();
    EXPECT_EQ(state.currentServer, second.Entry());
    EXPECT_EQ(state.differenceSeconds, 3600);
    // The server's second, read at our .250: the middle of it is the estimate.
    ASSERT_TRUE(state.estimate);
    EXPECT_EQ(state.estimate->Middle(), 3'600'250'000);
    EXPECT_EQ(state.lastFailure, hang.Entry() + ": no reply within 0.3 s");
    EXPECT_EQ(CTimeSyncClient::NextServerPosition(), 2u);
    // All on one host: nothing to confirm with, and the third is not asked.
    EXPECT_EQ(third.Connections(), 0);

    // The next check starts where the last one left off.
    const int secondAsked = second.Connections();
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }));
    EXPECT_EQ(client.GetServerName(), third.Entry());
    EXPECT_GE(third.Connections(), 1);
    EXPECT_EQ(second.Connections(), secondAsked);
    // A reply from the last server of the list wraps the position to 0.
    EXPECT_EQ(CTimeSyncClient::NextServerPosition(), 0u);

    // A position beyond a shorter list starts with its first server.
    const int thirdAsked = third.Connections();
    CTimeSyncClient::SetNextServerPosition(5);
    client.ClearServers();
    client.ParseServerList(second.Entry() + "," + third.Entry());
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }));
    EXPECT_EQ(client.GetServerName(), second.Entry());
    EXPECT_EQ(third.Connections(), thirdAsked);
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

// The window's client with one server ("Automaticly", margin 1): every fault leaves the clock
// alone and says why; an answer steps it by the estimate, however its four bytes arrive.
struct ModeCase {
    const char* name;
    LoopbackTimeServer::Options server;
    const char* reason; // after "127.0.0.1:PORT: "; nullptr: an answer
};

class ClockSyncMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ClockSyncMode, StepsByTheAnswerOrSaysWhyNot) {
    const ModeCase& c = GetParam();
    LoopbackTimeServer server(c.server);
    FakeClockSetter setter;
    RecordingMessageBox messages;
    CClockSyncClient client(StillClock(), messages, setter, kNoNtp, kFast);
    client.SetCheckOptions({1, kUpdateAutomatic});
    client.ParseServerList(server.Entry());
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] {
        const TimeSyncSnapshot s = client.Snapshot();
        return c.reason ? !s.lastFailure.empty() : s.status == StatusSynchronized;
    }));
    client.Stop();
    const TimeSyncSnapshot state = client.Snapshot();
    if (c.reason) {
        EXPECT_EQ(state.lastFailure, server.Entry() + ": " + c.reason) << c.name;
        EXPECT_EQ(state.status, StatusConnecting) << c.name;
        EXPECT_TRUE(setter.steps.empty()) << c.name;
    } else {
        EXPECT_EQ(setter.steps, std::vector<std::int64_t>{3600250000}) << c.name;
        EXPECT_EQ(state.differenceSeconds, 3600) << c.name;
    }
    EXPECT_TRUE(messages.shown.empty()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ClockSyncMode,
    ::testing::Values(ModeCase{"2 bytes", Mode(TimeServerMode::TwoBytes), "reply of 2 bytes"},
                      ModeCase{"empty close", Mode(TimeServerMode::EmptyClose),
                               "closed the connection without a reply"},
                      ModeCase{"2003", Mode(TimeServerMode::Offset, 1053086400 - kNowMs / 1000),
                               "time before this program was built"},
                      ModeCase{"hang", Mode(TimeServerMode::Hang), "no reply within 0.3 s"},
                      ModeCase{"refused", Mode(TimeServerMode::Refused), "connection refused"},
                      ModeCase{"offset", Mode(TimeServerMode::Offset, 3600), nullptr},
                      ModeCase{"split", Mode(TimeServerMode::Split, 3600), nullptr},
                      ModeCase{"eight bytes", Mode(TimeServerMode::EightBytes, 3600), nullptr},
                      ModeCase{"slow", Mode(TimeServerMode::Slow, 3600), nullptr}));

// The guard before a step, with "Automaticly": servers on 127.0.0.x run on the real clock
// plus their offsets, the first of the list answering first.
struct GuardCase {
    const char* name;
    std::vector<std::int64_t> offsetsMs;
    std::int64_t stepMs; // the step expected, within 20 ms; 0: none
    const char* message; // what the first message shown holds; "": none shown
    const char* note;    // a line of the status block after the check
};

class ClockSyncGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(ClockSyncGuard, StepsOnlyOnAgreement) {
    const GuardCase& c = GetParam();
    const char* hosts[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
    std::vector<std::unique_ptr<LoopbackTimeServer>> servers;
    std::string list;
    for (std::size_t i = 0; i < c.offsetsMs.size(); ++i) {
        LoopbackTimeServer::Options options;
        options.mode = TimeServerMode::Offset;
        options.offsetMicroseconds = c.offsetsMs[i] * 1000;
        options.host = hosts[i];
        servers.push_back(std::make_unique<LoopbackTimeServer>(options));
        list += (i ? "," : "") + servers.back()->Entry();
    }
    FakeClockSetter setter;
    RecordingMessageBox messages;
    SyncTimings timings = kFast;
    timings.afterConnect = 2s; // the measurement runs in the attempt's time
    timings.querySpacing = 150ms;
    CClockSyncClient client(SystemClock::Instance(), messages, setter, kNoNtp, timings);
    client.SetCheckOptions({1, kUpdateAutomatic});
    client.ParseServerList(list);
    ASSERT_TRUE(client.StartSync());
    ASSERT_TRUE(WaitUntil([&] { return !client.IsBusy(); }, 20s));
    const TimeSyncSnapshot state = client.Snapshot();
    if (c.stepMs != 0) {
        ASSERT_EQ(setter.steps.size(), 1u);
        EXPECT_NEAR(setter.steps[0] / 1000.0, c.stepMs, 20.0);
        // The true offset lies within the bound, reached in at most 8 queries, none of them
        // sooner than the spacing after the last to the same server.
        ASSERT_TRUE(state.estimate);
        EXPECT_LE(std::abs(state.estimate->Middle() - c.stepMs * 1000),
                  state.estimate->HalfWidth());
        int queries = 0;
        for (const auto& server : servers) {
            queries += server->Connections();
            EXPECT_GE(server->ShortestGap(), timings.querySpacing);
        }
        EXPECT_LE(queries, 8);
    } else {
        EXPECT_TRUE(setter.steps.empty());
    }
    EXPECT_EQ(state.status, c.stepMs != 0 ? StatusSynchronized : StatusDifference);
    if (*c.message == '\0') {
        EXPECT_TRUE(messages.shown.empty());
    } else {
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_NE(messages.shown[0].text.find(c.message), std::string::npos)
            << messages.shown[0].text;
    }
    const std::string notes = ::testing::PrintToString(state.notes);
    EXPECT_NE(notes.find(c.note), std::string::npos) << notes;
}

constexpr std::int64_t kLiarMs = 2'490'000'000'000; // 78 years, 10 months ahead

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Servers, ClockSyncGuard,
    ::testing::Values(
        GuardCase{"a lone liar is asked about, in words, and the answer No stands", {kLiarMs}, 0,
                  "This sets the clock 78 years, 10 months ahead.", ""},
        GuardCase{"two that disagree step nothing", {120'357, 3'600'000}, 0,
                  "The time servers do not agree", "disagrees by"},
        GuardCase{"two honest and a liar: one step by the honest ones",
                  {kLiarMs, 120'357, 120'357}, 120'357, "", "127.0.0.1"}));
// clang-format on

// Stopping: whatever the check waits for, destroying the client returns within 2 s.
class BlockingSetter final : public IClockSetter {
public:
    ClockStepResult StepBy(std::int64_t, std::stop_token stop) override {
        std::mutex mutex;
        std::condition_variable_any never;
        entered = true;
        std::unique_lock<std::mutex> lock(mutex);
        never.wait(lock, stop, [] { return false; });
        return {false, "stopped", true};
    }
    std::atomic<bool> entered{false};
};

TEST(TimeSyncShutdown, EndsWithinTwoSecondsWhateverIsPending) {
    LoopbackTimeServer hang(Mode(TimeServerMode::Hang));
    LoopbackTimeServer answers(Mode(TimeServerMode::Offset, 3600));
    const SilentNameResolver silent;
    const struct {
        const char* name;
        std::string list;
        std::function<bool(const TimeSyncSnapshot&)> pending;
    } cases[] = {
        {"a hanging read", hang.Entry(),
         [&](const TimeSyncSnapshot&) { return hang.Connections() == 1; }},
        {"the waits after an answer", answers.Entry(),
         [](const TimeSyncSnapshot& s) { return !s.searching; }},
        {"a name lookup", "time.example.org",
         [](const TimeSyncSnapshot& s) { return s.currentServer == "time.example.org"; }},
        {"a setter call", answers.Entry(), [](const TimeSyncSnapshot&) { return false; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BlockingSetter setter;
        RecordingMessageBox messages;
        SyncTimings timings; // 7.5 s waits
        timings.querySpacing = 20ms;
        auto client =
            std::make_unique<CClockSyncClient>(StillClock(), messages, setter, kNoNtp, timings);
        client->SetNameResolver(&silent);
        client->SetCheckOptions({1, kUpdateAutomatic});
        client->ParseServerList(c.list);
        ASSERT_TRUE(client->StartSync());
        ASSERT_TRUE(WaitUntil([&] { return c.pending(client->Snapshot()) || setter.entered; }));
        std::this_thread::sleep_for(20ms); // the wait has begun
        const auto start = std::chrono::steady_clock::now();
        client.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    }
}

} // namespace
