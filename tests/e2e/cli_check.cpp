// tarnwick-cli check against a loopback Time Protocol server started by the test.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "sync/time_protocol.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

// Listens on 127.0.0.1 and answers one connection with the time one hour ahead.
class HourAheadServer {
public:
    HourAheadServer() {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        ::listen(m_listen, 4);
        m_thread = std::thread([this] {
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client >= 0) {
                const std::uint32_t v =
                    EncodeTimeProtocolValue(SystemClock::Instance().NowUnixSeconds() + 3600);
                const std::uint8_t bytes[] = {std::uint8_t(v >> 24), std::uint8_t(v >> 16),
                                              std::uint8_t(v >> 8), std::uint8_t(v)};
                ::send(client, bytes, 4, MSG_NOSIGNAL);
                ::close(client);
            }
        });
    }
    ~HourAheadServer() {
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
    }
    std::uint16_t port = 0;

private:
    int m_listen = -1;
    std::thread m_thread;
};

TEST(CliCheck, RefusedHostIsReportedAndTheNextAnswers) {
    TempDir dir;
    HourAheadServer server;
    const std::string host = "127.0.0.1:" + std::to_string(server.port);
    const CliResult r = RunCli({"--dir", dir.Path(), "check", "127.0.0.1:1", host});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "127.0.0.1:1: connection refused\n");
    ASSERT_EQ(r.out.rfind(host + "\t3600\t", 0), 0u) << r.out;
    const double offset = std::stod(r.out.substr(host.size() + 6));
    EXPECT_NEAR(offset, 3600.0, 1.0);
    EXPECT_NE(r.out.find("\nDifference of Time Server:\n" + host +
                         "\nDays:0 Hours:01\nMinutes:00 Seconds:00\n"),
              std::string::npos)
        << r.out;
}

TEST(CliCheck, NoAnswerExitsOneAndBadOptionsTwo) {
    TempDir dir;
    const CliResult none = RunCli({"--dir", dir.Path(), "check", "127.0.0.1:1"});
    EXPECT_EQ(none.exit, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(RunCli({"--dir", dir.Path(), "check", "--port", "0"}).exit, 2);
    EXPECT_EQ(RunCli({"--dir", dir.Path(), "check", "--timeout", "x"}).exit, 2);
}

} // namespace
