// Fetching one small file over HTTP(S), as the update check does. Whatever a server sends is
// untrusted: the transfer is bounded in time, size and redirects, and a non-2xx answer is a
// failure, not a file.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace tarnwick {

struct HttpLimits {
    std::chrono::milliseconds connectTimeout{10000};  // until the TCP (and TLS) connection stands
    std::chrono::milliseconds transferTimeout{30000}; // the whole transfer, redirects included
    std::size_t maxBytes = 64 * 1024;                 // a longer body fails the download
    long maxRedirects = 3;
};

struct HttpResponse {
    bool ok = false;   // a 2xx answer whose body arrived whole and within the limits
    long status = 0;   // the last answer's HTTP status; 0 when none came
    std::string body;  // empty unless ok
    std::string error; // why it failed, with the URL: "cannot download http://h:8080/x: ..."
};

class IHttpDownloader {
public:
    virtual ~IHttpDownloader() = default;
    // A GET of url (http or https only, for the request and every redirect), never answered
    // from a cache, through the proxy the environment names (http_proxy, https_proxy,
    // no_proxy). Blocks for at most the limits' transfer time; a stop request ends it early.
    // May be called from any thread.
    virtual HttpResponse Get(const std::string& url, std::stop_token stop = {}) = 0;
};

// Answers from a table of URLs (a URL not in it fails as an unreachable server would) and
// records every URL asked for.
class FakeHttpDownloader final : public IHttpDownloader {
public:
    HttpResponse Get(const std::string& url, std::stop_token stop = {}) override;
    void Serve(const std::string& url, std::string body); // a 200 answer
    void Fail(const std::string& url, std::string error);

    std::vector<std::string> requested;

private:
    std::map<std::string, HttpResponse> m_responses;
};

// The libcurl that downloads load; only tests name another.
inline constexpr const char* kCurlLibrary = "libcurl.so.4";

// libcurl with the given limits. The library is loaded for each download (or each run of
// downloads at once) and unloaded after it; a missing library fails the download, saying so.
std::unique_ptr<IHttpDownloader> MakeHttpDownloader(const HttpLimits& limits = {},
                                                    const std::string& library = kCurlLibrary);

} // namespace tarnwick
