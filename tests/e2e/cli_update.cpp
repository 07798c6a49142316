// tarnwick-cli update-check against a loopback web server started by the test.
#include <gtest/gtest.h>

#include "settings/profile_file.h"
#include "support/cli_runner.h"
#include "support/http_server.h"
#include "support/temp_dir.h"
#include "update/update_checker.h"
#include "update/update_site.h"

namespace tarnwick {
namespace {

using test::CliResult;
using test::LoopbackHttpServer;
using test::ReadFileBytes;
using test::TempDir;

class CliUpdate : public ::testing::Test {
protected:
    CliResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", m_dir.Path(), "update-check"});
        return test::RunCli(
            args,
            {{"HOME", m_dir / "home"}, {"no_proxy", "*"}, {"http_proxy", ""}, {"ALL_PROXY", ""}});
    }
    std::string InfoPath() const { return m_dir.Path() + "//UpdateInfo.txt"; }
    std::string LogPath() const { return InfoPath() + ".log"; }

    TempDir m_dir;
    LoopbackHttpServer m_server;
};

TEST_F(CliUpdate, PrintsTheDecisionOfAGoodFile) {
    m_server.Serve("/TarnwickUpdateInfo.ini",
                   LoopbackHttpServer::Ok("[Tarnwick]\r\nCURRENTVERSION=1.2\r\nFORCETOUPDATE=1\r\n"
                                          "UPDATEINFO=Tarnwick 1.2 keeps better time.\r\n"));
    const CliResult result = Run({"--site", m_server.Root() + "/"});
    EXPECT_EQ(result.exit, 0) << result.err;
    EXPECT_EQ(result.out, "latest\t1.200000\n"
                          "declined\t0.000000\n"
                          "differs\t1\n"
                          "offer\t1\n"
                          "force\t1\n"
                          "message\tTarnwick 1.2 keeps better time.\n"
                          "download\t" +
                              m_server.Root() + "/\n");
    EXPECT_EQ(m_server.RequestCount("/TarnwickUpdateInfo.ini"), 1);
    EXPECT_NE(GetProfileString(LogPath(), "Tarnwick", "LASTDAYCHECK", ""), "");
}

// Without --force the first check of the day would write its day into the log.
TEST_F(CliUpdate, ForceDownloadsAndLeavesTheLogAlone) {
    m_server.Serve("/TarnwickUpdateInfo.ini",
                   LoopbackHttpServer::Ok("[Tarnwick]\nCURRENTVERSION=1.1\n"));
    const CliResult result = Run({"--site", m_server.Root(), "--force"});
    EXPECT_EQ(result.exit, 0) << result.err;
    EXPECT_NE(result.out.find("differs\t0\noffer\t0\n"), std::string::npos) << result.out;
    EXPECT_EQ(m_server.RequestCount("/TarnwickUpdateInfo.ini"), 1);
    EXPECT_EQ(ReadFileBytes(LogPath()), "");
}

// An error status, a page or a binary answered with 200: a failed check that keeps what the
// file of an earlier day says beyond the failure.
TEST_F(CliUpdate, AnAnswerThatIsNoUpdateInfoIsAFailedDownload) {
    LoopbackHttpServer::Reply notFound = LoopbackHttpServer::Ok("<html>Not Found</html>\n");
    notFound.status = 404;
    const std::pair<LoopbackHttpServer::Reply, std::string> answers[] = {
        {notFound, ": the server answered HTTP 404"},
        {LoopbackHttpServer::Ok("<html>Moved</html>\n"), " is not an update-info file (no [S"},
        {LoopbackHttpServer::Ok(std::string("\x7f"
                                            "ELF\0[Tarnwick]\n",
                                            15)),
         " is not an update-info file (it holds NUL bytes)"},
    };
    for (const auto& [reply, error] : answers) {
        test::WriteFileBytes(InfoPath(), "[Tarnwick]\nDOWNLOADHEREURL=http://example.org/\n");
        m_server.Serve("/TarnwickUpdateInfo.ini", reply);
        const CliResult result = Run({"--site", m_server.Root(), "--force"});
        EXPECT_EQ(result.exit, 1);
        EXPECT_NE(result.err.find(m_server.Root() + "/TarnwickUpdateInfo.ini" + error),
                  std::string::npos)
            << result.err;
        EXPECT_NE(result.out.find("latest\t-1.000000\n"), std::string::npos) << result.out;
        EXPECT_EQ(GetProfileString(InfoPath(), "Tarnwick", "UPDATEINFO", ""), kCouldNotCheckText);
        EXPECT_EQ(GetProfileString(InfoPath(), "Tarnwick", "DOWNLOADHEREURL", ""),
                  "http://example.org/");
    }
}

TEST_F(CliUpdate, RefusesASiteThatIsNotWeb) {
    for (const std::string site : {"file:///etc", "javascript:alert(1)", "http://h/?q"}) {
        const CliResult result = Run({"--site", site});
        EXPECT_EQ(result.exit, 2) << site;
        EXPECT_NE(result.err.find("not '" + site + "'"), std::string::npos) << result.err;
    }
    EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(CliUpdate, ABuildWithoutASiteNeverChecks) {
    if (!BuiltInUpdateSite().empty()) {
        GTEST_SKIP() << "built with TARNWICK_UPDATE_URL=" << BuiltInUpdateSite();
    }
    const CliResult result = Run({});
    EXPECT_EQ(result.exit, 2);
    EXPECT_NE(result.err.find("no update site"), std::string::npos) << result.err;
    EXPECT_EQ(ReadFileBytes(LogPath()), "");
    const CliResult version = test::RunCli({"--version"});
    EXPECT_NE(version.out.find("\nupdate check: off (built without an update site)\n"),
              std::string::npos)
        << version.out;
}

} // namespace
} // namespace tarnwick
