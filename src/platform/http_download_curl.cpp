// IHttpDownloader with libcurl (portable: libcurl takes the proxy from http_proxy,
// https_proxy and no_proxy on every system it runs on).
#include <curl/curl.h>

#include <mutex>

#include "platform/http_download.h"
#include "platform/product.h"

namespace tarnwick {

namespace {

struct Transfer {
    std::string body;
    std::size_t maxBytes = 0;
    bool tooLarge = false;
    std::stop_token stop;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0; // anything else than bytes aborts the transfer
    }
    transfer->body.append(data, bytes);
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->stop.stop_requested() ? 1 : 0;
}

class CurlDownloader final : public IHttpDownloader {
public:
    explicit CurlDownloader(const HttpLimits& limits) : m_limits(limits) {
        // Once per process, before any handle exists; not thread-safe in libcurl itself.
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    }

    HttpResponse Get(const std::string& url, std::stop_token stop) override {
        HttpResponse response;
        const std::string where = "cannot download " + url + ": ";
        CURL* curl = curl_easy_init();
        if (curl == nullptr) {
            response.error = where + "cannot start libcurl";
            return response;
        }
        Transfer transfer;
        transfer.maxBytes = m_limits.maxBytes;
        transfer.stop = stop;
        char errorText[CURL_ERROR_SIZE] = {};

        curl_slist* headers = nullptr;
        headers = curl_slist_append(headers, "Cache-Control: no-cache");
        headers = curl_slist_append(headers, "Pragma: no-cache");

        const std::string userAgent = std::string(kProductName) + "/" + kProductVersion;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, m_limits.maxRedirects);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(m_limits.connectTimeout.count()));
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS,
                         static_cast<long>(m_limits.transferTimeout.count()));
        // A Content-Length above the limit fails before the body is read.
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(m_limits.maxBytes));
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // safe on a worker thread
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);

        const CURLcode result = curl_easy_perform(curl);
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
        curl_easy_cleanup(curl);
        curl_slist_free_all(headers);

        if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
            response.error =
                where + "the answer is larger than " + std::to_string(m_limits.maxBytes) + " bytes";
        } else if (result == CURLE_ABORTED_BY_CALLBACK) {
            response.error = where + "stopped";
        } else if (result != CURLE_OK) {
            response.error =
                where + (errorText[0] != '\0' ? errorText : curl_easy_strerror(result));
        } else if (response.status < 200 || response.status > 299) {
            response.error = where + "the server answered HTTP " + std::to_string(response.status);
        } else {
            response.ok = true;
            response.body = std::move(transfer.body);
        }
        return response;
    }

private:
    HttpLimits m_limits;
};

} // namespace

std::unique_ptr<IHttpDownloader> MakeHttpDownloader(const HttpLimits& limits) {
    return std::make_unique<CurlDownloader>(limits);
}

} // namespace tarnwick
