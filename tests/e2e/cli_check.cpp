// tarnwick-cli check against a loopback Time Protocol server started by the test.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "support/time_server.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

// The protocol counts whole seconds, so a second that ends between the server's reading and
// ours takes one off the difference. Each try starts early in a second; one in three must
// show the server's offset whole.
CliResult CheckWithinOneSecond(const std::vector<std::string>& args, const std::string& prefix) {
    CliResult r;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const auto intoSecond = now - std::chrono::duration_cast<std::chrono::seconds>(now);
        std::this_thread::sleep_for(std::chrono::seconds(1) - intoSecond +
                                    std::chrono::milliseconds(20));
        r = RunCli(args);
        if (r.out.rfind(prefix, 0) == 0) {
            break;
        }
    }
    return r;
}

TEST(CliCheck, RefusedHostIsReportedAndTheNextAnswers) {
    TempDir dir;
    LoopbackTimeServer refused(TimeServerMode::Refused);
    LoopbackTimeServer server(TimeServerMode::Offset, 3600);
    const std::string host = server.Entry();
    const CliResult r = CheckWithinOneSecond({"--dir", dir.Path(), "check", refused.Entry(), host},
                                             host + "\t3600\t");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, refused.Entry() + ": connection refused\n");
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
    LoopbackTimeServer refused(TimeServerMode::Refused);
    const CliResult none = RunCli({"--dir", dir.Path(), "check", refused.Entry()});
    EXPECT_EQ(none.exit, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(RunCli({"--dir", dir.Path(), "check", "--port", "0"}).exit, 2);
    EXPECT_EQ(RunCli({"--dir", dir.Path(), "check", "--timeout", "x"}).exit, 2);
}

} // namespace
