#include "platform/http_download.h"

namespace tarnwick {

HttpResponse FakeHttpDownloader::Get(const std::string& url, std::stop_token) {
    requested.push_back(url);
    const auto it = m_responses.find(url);
    if (it == m_responses.end()) {
        HttpResponse failed;
        failed.error = "cannot download " + url + ": Could not connect to server";
        return failed;
    }
    return it->second;
}

void FakeHttpDownloader::Serve(const std::string& url, std::string body) {
    HttpResponse response;
    response.ok = true;
    response.status = 200;
    response.body = std::move(body);
    m_responses[url] = std::move(response);
}

void FakeHttpDownloader::Fail(const std::string& url, std::string error) {
    HttpResponse response;
    response.error = "cannot download " + url + ": " + std::move(error);
    m_responses[url] = std::move(response);
}

} // namespace tarnwick
