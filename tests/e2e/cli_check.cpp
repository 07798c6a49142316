// tarnwick-cli check against a loopback Time Protocol server started by the test.
#include <gtest/gtest.h>

#include <string>

#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "support/time_server.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {

TEST(CliCheck, RefusedHostIsReportedAndTheNextAnswers) {
    TempDir dir;
    LoopbackTimeServer refused(TimeServerMode::Refused);
    LoopbackTimeServer server(TimeServerMode::Offset, 3600);
    const std::string host = server.Entry();
    const CliResult r = RunCli({"--dir", dir.Path(), "check", refused.Entry(), host});
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
