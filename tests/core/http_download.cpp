// The libcurl download against a loopback server with well-behaved and hostile answers.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/http_download.h"
#include "support/http_server.h"
#include "support/scoped_env.h"

using namespace tarnwick;
using tarnwick::test::LoopbackHttpServer;
using tarnwick::test::ScopedEnv;

namespace {

using Reply = LoopbackHttpServer::Reply;

HttpLimits ShortLimits() {
    HttpLimits limits;
    limits.connectTimeout = std::chrono::milliseconds(2000);
    limits.transferTimeout = std::chrono::milliseconds(600);
    return limits;
}

// No proxy from the caller's environment may stand between the test and its server.
class HttpDownload : public ::testing::Test {
protected:
    ScopedEnv m_noProxy{"no_proxy", "*"};
    ScopedEnv m_httpProxy{"http_proxy", std::nullopt};
    ScopedEnv m_allProxy{"ALL_PROXY", std::nullopt};
    LoopbackHttpServer m_server;
};

struct Case {
    const char* name;
    Reply reply;
    bool ok;
    std::size_t bodySize;      // 0 when not ok
    const char* errorContains; // when not ok
};

Reply TenMegabytesUnannounced() {
    Reply reply = LoopbackHttpServer::Ok(std::string(64 * 1024, 'x'));
    reply.repeat = 160;
    reply.sendLength = false; // the body ends with the connection
    return reply;
}

Reply Trickle() {
    Reply reply =
        LoopbackHttpServer::Ok("[Tarnwick]\r\nCURRENTVERSION=1.2\r\n" + std::string(2000, ';'));
    reply.chunkBytes = 1;
    reply.chunkPause = std::chrono::milliseconds(20); // 40 s for the whole body
    return reply;
}

Reply Status(int status) {
    Reply reply = LoopbackHttpServer::Ok("<html>error page</html>");
    reply.status = status;
    return reply;
}

TEST_F(HttpDownload, AcceptsOnlyWholeSuccessfulAnswersWithinTheLimits) {
    const Case cases[] = {
        Case{"GoodFile", LoopbackHttpServer::Ok("[Tarnwick]\r\nCURRENTVERSION=1.2\r\n"), true, 32,
             ""},
        Case{"Exactly64KiB", LoopbackHttpServer::Ok(std::string(65536, 'a')), true, 65536, ""},
        Case{"NotFound", Status(404), false, 0, "the server answered HTTP 404"},
        Case{"TenMegabytesUnannounced", TenMegabytesUnannounced(), false, 0,
             "the answer is larger than 65536 bytes"},
        Case{"OneByteTooMany", LoopbackHttpServer::Ok(std::string(65537, 'a')), false, 0,
             "the answer is larger than 65536 bytes"},
        Case{"SlowTrickle", Trickle(), false, 0, "timed out"},
        Case{"RedirectToLocalFile", LoopbackHttpServer::Redirect("file:///etc/passwd"), false, 0,
             "file"},
        Case{"ThreeRedirects", LoopbackHttpServer::Redirect("/hop1"), true, 7, ""},
        Case{"FourRedirects", LoopbackHttpServer::Redirect("/hop0"), false, 0, "redirects"}};
    m_server.Serve("/hop0", LoopbackHttpServer::Redirect("/hop1"));
    m_server.Serve("/hop1", LoopbackHttpServer::Redirect("/hop2"));
    m_server.Serve("/hop2", LoopbackHttpServer::Redirect("/hop3"));
    m_server.Serve("/hop3", LoopbackHttpServer::Ok("arrived"));
    const std::string url = m_server.Url("/file");
    for (const Case& c : cases) {
        m_server.Serve("/file", c.reply);
        const HttpResponse response = MakeHttpDownloader(ShortLimits())->Get(url);
        EXPECT_EQ(response.ok, c.ok) << c.name << ": " << response.error;
        EXPECT_EQ(response.body.size(), c.bodySize) << c.name;
        EXPECT_EQ(response.error.rfind("cannot download " + url + ": ", 0) == 0, !c.ok) << c.name;
        EXPECT_PRED_FORMAT2(testing::IsSubstring, c.errorContains, response.error);
    }
}

TEST_F(HttpDownload, RefusesAddressesThatAreNotHttp) {
    for (const std::string url :
         {"file:///etc/passwd", "ftp://127.0.0.1/x", "gopher://127.0.0.1/"}) {
        const HttpResponse response = MakeHttpDownloader(ShortLimits())->Get(url);
        EXPECT_FALSE(response.ok) << url;
        EXPECT_TRUE(response.body.empty()) << url;
        EXPECT_PRED_FORMAT2(testing::IsSubstring, "cannot download " + url, response.error);
    }
}

// A proxy is the cache most likely to stand between the clock and the site: asked past it.
TEST_F(HttpDownload, GoesThroughTheProxyTheEnvironmentNamesAndPastEveryCache) {
    // The loopback server stands in as the proxy; the named host is never looked up.
    ScopedEnv noProxy("no_proxy", std::nullopt);
    ScopedEnv proxy("http_proxy", m_server.Root());
    m_server.Serve("/TarnwickUpdateInfo.ini", LoopbackHttpServer::Ok("via proxy"));
    const HttpResponse response =
        MakeHttpDownloader(ShortLimits())->Get("http://updates.invalid/TarnwickUpdateInfo.ini");
    ASSERT_TRUE(response.ok) << response.error;
    EXPECT_EQ(response.body, "via proxy");
    ASSERT_EQ(m_server.Requests().size(), 1u);
    const std::string head = m_server.Requests()[0];
    EXPECT_EQ(head.rfind("GET http://updates.invalid/TarnwickUpdateInfo.ini HTTP/1.1\r\n", 0), 0u);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Cache-Control: no-cache\r\n", head);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "Pragma: no-cache\r\n", head);
}

TEST_F(HttpDownload, AStopRequestEndsATrickleEarly) {
    m_server.Serve("/file", Trickle());
    HttpLimits limits = ShortLimits();
    limits.transferTimeout = std::chrono::milliseconds(60000);
    std::stop_source stop;
    stop.request_stop();
    const HttpResponse response =
        MakeHttpDownloader(limits)->Get(m_server.Url("/file"), stop.get_token());
    EXPECT_FALSE(response.ok);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, ": stopped", response.error);
}

// Whether libcurl is mapped into this process now.
bool CurlIsLoaded() {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.find("/libcurl.so") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// libcurl is held only while downloads run, by any number of threads at once.
TEST_F(HttpDownload, LoadsTheLibraryOnlyWhileDownloading) {
    m_server.Serve("/file", LoopbackHttpServer::Ok("contents"));
    const auto downloader = MakeHttpDownloader(ShortLimits());
    EXPECT_FALSE(CurlIsLoaded());
    std::vector<std::thread> threads;
    std::vector<HttpResponse> responses(4);
    for (HttpResponse& response : responses) {
        threads.emplace_back(
            [&downloader, &response, this] { response = downloader->Get(m_server.Url("/file")); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const HttpResponse& response : responses) {
        EXPECT_TRUE(response.ok) << response.error;
        EXPECT_EQ(response.body, "contents");
    }
    EXPECT_FALSE(CurlIsLoaded());
    EXPECT_TRUE(downloader->Get(m_server.Url("/file")).ok); // and loads again
}

TEST_F(HttpDownload, AMissingLibraryFailsTheDownloadSayingSo) {
    const HttpResponse response =
        MakeHttpDownloader(ShortLimits(), "libcurl-missing.so.4")->Get(m_server.Url("/file"));
    EXPECT_FALSE(response.ok);
    EXPECT_EQ(response.error.rfind("cannot download " + m_server.Url("/file") +
                                       ": cannot load libcurl-missing.so.4 (",
                                   0),
              0u)
        << response.error;
}

} // namespace
