// One attempt against a loopback Time Protocol server started by the test, in its fault modes.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "sync/time_query.h"

using namespace tarnwick;
using namespace std::chrono_literals;

namespace {

// Accepts one connection and sends the scripted chunks, pausing between them.
class LoopbackTimeServer {
public:
    LoopbackTimeServer(std::vector<std::vector<std::uint8_t>> chunks, bool hang = false)
        : m_chunks(std::move(chunks)), m_hang(hang) {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        ::listen(m_listen, 4);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackTimeServer() {
        m_stop = true;
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
    }
    std::uint16_t port() const { return m_port; }

private:
    void Serve() {
        const int client = ::accept(m_listen, nullptr, nullptr);
        if (client < 0) {
            return;
        }
        for (std::size_t i = 0; i < m_chunks.size(); ++i) {
            if (i > 0) {
                std::this_thread::sleep_for(30ms);
            }
            ::send(client, m_chunks[i].data(), m_chunks[i].size(), MSG_NOSIGNAL);
        }
        for (int i = 0; m_hang && !m_stop && i < 500; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        ::close(client);
    }

    std::vector<std::vector<std::uint8_t>> m_chunks;
    bool m_hang;
    std::atomic<bool> m_stop{false};
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

std::vector<std::uint8_t> Bytes(std::uint32_t v) {
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

// 2026-12-07 12:00:00.250 UTC on the local clock.
constexpr std::int64_t kLocalMs = 1796644800250LL;

struct FaultCase {
    const char* name;
    std::vector<std::vector<std::uint8_t>> chunks;
    bool answered;
    const char* reason;
    std::int64_t difference;
};

class TimeQueryFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(TimeQueryFault, AnswersOrSaysWhyNot) {
    const FaultCase& c = GetParam();
    LoopbackTimeServer server(c.chunks);
    FixedClock clock(0);
    clock.SetMilliseconds(kLocalMs);
    const TimeQueryResult result = QueryTimeServer({"127.0.0.1", server.port()}, clock, 2000ms);
    EXPECT_EQ(result.answered, c.answered) << c.name << ": " << result.reason;
    EXPECT_EQ(result.reason, c.reason) << c.name;
    if (c.answered) {
        EXPECT_EQ(result.answer.differenceSeconds, c.difference);
        EXPECT_EQ(result.answer.offsetMilliseconds, c.difference * 1000 + 250);
        EXPECT_EQ(result.answer.server, "127.0.0.1:" + std::to_string(server.port()));
    }
}

const std::uint32_t kAhead = EncodeTimeProtocolValue(kLocalMs / 1000 + 3600);

std::vector<FaultCase> Cases() {
    const auto b = Bytes(kAhead);
    std::vector<std::uint8_t> eight = b;
    eight.insert(eight.end(), {1, 2, 3, 4});
    return {
        {"offset", {b}, true, "", 3600},
        {"split 1+3", {{b[0]}, {b[1], b[2], b[3]}}, true, "", 3600},
        {"8 bytes", {eight}, true, "", 3600},
        {"2 bytes", {{b[0], b[1]}}, false, "reply of 2 bytes", 0},
        {"empty close", {}, false, "closed the connection without a reply", 0},
        {"fixed 2003 value", {Bytes(0xC26F5140u)}, false, "time before this program was built", 0},
    };
}

INSTANTIATE_TEST_SUITE_P(Modes, TimeQueryFault, ::testing::ValuesIn(Cases()));

TEST(TimeQuery, RefusedPortFailsAtOnce) {
    std::uint16_t port = 0;
    {
        LoopbackTimeServer server({Bytes(kAhead)});
        port = server.port();
        const TimeQueryResult taken =
            QueryTimeServer({"127.0.0.1", port}, SystemClock::Instance(), 1000ms);
        ASSERT_TRUE(taken.answered);
    }
    const auto start = std::chrono::steady_clock::now();
    const TimeQueryResult result =
        QueryTimeServer({"127.0.0.1", port}, SystemClock::Instance(), 2000ms);
    EXPECT_FALSE(result.answered);
    EXPECT_EQ(result.reason, "connection refused");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

TEST(TimeQuery, HangingServerEndsAtTheTimeoutOrWhenWoken) {
    {
        LoopbackTimeServer server({}, true);
        const TimeQueryResult result =
            QueryTimeServer({"127.0.0.1", server.port()}, SystemClock::Instance(), 200ms);
        EXPECT_EQ(result.reason, "no reply within 0.2 s");
    }
    LoopbackTimeServer server({}, true);
    const int wake = ::eventfd(0, EFD_CLOEXEC);
    std::thread waker([wake] {
        std::this_thread::sleep_for(50ms);
        const std::uint64_t one = 1;
        EXPECT_EQ(::write(wake, &one, sizeof one), 8);
    });
    const auto start = std::chrono::steady_clock::now();
    const TimeQueryResult result =
        QueryTimeServer({"127.0.0.1", server.port()}, SystemClock::Instance(), 5000ms, wake);
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
