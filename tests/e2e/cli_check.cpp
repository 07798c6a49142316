// tarnwick-cli check against loopback Time Protocol servers started by the test.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

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
    ASSERT_EQ(
        r.err.rfind(refused.Entry() + "\t-\tno answer: connection refused\n" + host + "\t+3", 0),
        0u)
        << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - 7), "\tagree\n") << r.err;
    // A second that ends between the server's reading and ours takes one off the difference.
    const bool whole = r.out.rfind(host + "\t3600\t", 0) == 0;
    ASSERT_TRUE(whole || r.out.rfind(host + "\t3599\t", 0) == 0) << r.out;
    // OFFSET and its BOUND: one reply pins the offset to its second, widened by the round
    // trip (long on a loaded machine or under a sanitizer).
    const std::string fields = r.out.substr(host.size() + 6);
    const std::size_t tab = fields.find('\t');
    EXPECT_NEAR(std::stod(fields.substr(0, tab)), 3600.0, 1.0);
    const double bound = std::stod(fields.substr(tab + 1));
    EXPECT_TRUE(bound >= 0.5 && bound < 0.75) << bound;
    EXPECT_NE(r.out.find("\nDifference of Time Server:\n" + host +
                         (whole ? "\nDays:0 Hours:01\nMinutes:00 Seconds:00\nOffset +3"
                                : "\nDays:0 Hours:00\nMinutes:59 Seconds:59\nOffset +3")),
              std::string::npos)
        << r.out;
}

TEST(CliCheck, NoAnswerExitsOneAndBadOptionsTwo) {
    TempDir dir;
    LoopbackTimeServer refused(TimeServerMode::Refused);
    const CliResult none = RunCli({"--dir", dir.Path(), "check", refused.Entry()});
    EXPECT_EQ(none.exit, 1);
    EXPECT_EQ(none.out, "");
    for (const char* bad : {"--port=0", "--timeout=x", "--min-interval=-1"}) {
        EXPECT_EQ(RunCli({"--dir", dir.Path(), "check", bad}).exit, 2) << bad;
    }
    // A server list longer than the settings file keeps is refused, not cut.
    std::ofstream(dir / "ClockInfo.dat")
        << "[OPTIONS]\nCHECKTIMEOPTION=1053\nCHECKTIMECUSTOMSERVERS=" << std::string(1100, 'a')
        << "," << refused.Entry() << "\n";
    const CliResult tooLong = RunCli({"--dir", dir.Path(), "check"});
    EXPECT_EQ(tooLong.exit, 2);
    EXPECT_NE(tooLong.err.find("at most 1023"), std::string::npos) << tooLong.err;
}

// Three servers, the first of them lying: the precise check names it and measures the offset
// of the other two; --apply with the prompt option and no terminal sets nothing.
TEST(CliCheck, PreciseCheckNamesTheServerThatDisagrees) {
    TempDir dir;
    std::vector<std::unique_ptr<LoopbackTimeServer>> servers;
    std::vector<std::string> args = {"--dir", dir.Path(), "check", "--min-interval", "0.1"};
    const char* hosts[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
    for (int i = 0; i < 3; ++i) {
        LoopbackTimeServer::Options options;
        options.mode = TimeServerMode::Offset;
        options.host = hosts[i];
        options.offsetSeconds = i == 0 ? 2'490'000'000 : 120;
        options.offsetMicroseconds = i == 0 ? 0 : 357'000;
        servers.push_back(std::make_unique<LoopbackTimeServer>(options));
        args.push_back(servers.back()->Entry());
    }
    std::vector<std::string> precise = args;
    precise.push_back("--precise");
    const CliResult r = RunCli(precise);
    EXPECT_EQ(r.exit, 2) << r.err; // the servers disagree
    const std::size_t liar = r.err.find(servers[0]->Entry() + "\t+24");
    ASSERT_NE(liar, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("\tdisagree\n"), r.err.find('\n', liar) - 9) << r.err;
    // The difference is 120 or 121 whole seconds, by where in our second the reply came.
    ASSERT_EQ(r.out.rfind(servers[1]->Entry() + "\t12", 0), 0u) << r.out;
    const std::string fields = r.out.substr(servers[1]->Entry().size() + 5);
    const double offset = std::stod(fields);
    const double bound = std::stod(fields.substr(fields.find('\t') + 1));
    EXPECT_NEAR(offset, 120.357, 0.02);
    EXPECT_LE(std::abs(offset - 120.357), bound + 0.001); // printed to the millisecond
    EXPECT_NE(r.out.find(servers[0]->Entry() + " disagrees by +78 years; ignored"),
              std::string::npos)
        << r.out;

    std::ofstream(dir / "ClockInfo.dat") << "[OPTIONS]\nCHECKTIMEUPDATEOPTION=1069\n";
    args.push_back("--apply");
    const CliResult applied = RunCli(args, {{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent"}});
    EXPECT_EQ(applied.exit, 2) << applied.err;
    // Where the kernel says NTP keeps the clock the check only compares; elsewhere it would
    // ask, and nobody can answer.
    const bool keeps = RunCli({"status"}, {{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent"}})
                           .out.find("keeps_clock\tyes") != std::string::npos;
    EXPECT_NE((keeps ? applied.out : applied.err)
                  .find(keeps ? "NTP keeps this clock" : "nobody could be asked"),
              std::string::npos)
        << applied.out << applied.err;
}

} // namespace
