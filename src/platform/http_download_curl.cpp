// IHttpDownloader with libcurl (portable: libcurl takes the proxy from http_proxy,
// https_proxy and no_proxy on every system it runs on).
//
// libcurl is loaded when a download starts and unloaded when the last one ends: it brings a TLS
// stack and a dozen other libraries, some 7 MB of a clock that downloads one small file a day.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <dlfcn.h>

#include <atomic>
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

// The loaded library: shared by the downloads running at the same time, initialised once while
// loaded, cleaned up and closed when the last of them lets go.
class CurlLibrary {
public:
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_global_cleanup) globalCleanup = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;

    // The library, loaded if no download holds it now; null with error set when it cannot be.
    static std::shared_ptr<CurlLibrary> Acquire(const std::string& name, std::string& error) {
        static std::mutex mutex;
        static std::weak_ptr<CurlLibrary> current;
        std::lock_guard lock(mutex);
        if (auto library = current.lock()) {
            return library;
        }
        void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = ::dlerror();
            error = "cannot load " + name + " (" + (why ? why : "unknown error") + ")";
            return nullptr;
        }
        std::unique_ptr<CurlLibrary> loaded(new CurlLibrary(handle));
        if (!loaded->Resolve(error)) {
            return nullptr;
        }
        if (loaded->globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            error = "cannot initialise " + name;
            return nullptr;
        }
        loaded->m_initialised = true;
        std::shared_ptr<CurlLibrary> library(loaded.release(), [](CurlLibrary* l) {
            // Under the mutex, so that no download loads it again while it is being unloaded.
            std::lock_guard unloading(mutex);
            delete l;
        });
        current = library;
        return library;
    }

    ~CurlLibrary() {
        if (m_abandoned) {
            return; // a name lookup left to finish alone may still run in the library
        }
        if (m_initialised) {
            globalCleanup();
        }
        ::dlclose(m_handle);
    }
    // A transfer stopped during its name lookup left the lookup running: the library stays
    // loaded.
    void Abandon() { m_abandoned = true; }
    CurlLibrary(const CurlLibrary&) = delete;
    CurlLibrary& operator=(const CurlLibrary&) = delete;

private:
    explicit CurlLibrary(void* handle) : m_handle(handle) {}

    template <typename Function>
    bool Find(Function& function, const char* symbol, std::string& error) {
        function = reinterpret_cast<Function>(::dlsym(m_handle, symbol));
        if (function == nullptr && error.empty()) {
            error = std::string("libcurl has no ") + symbol;
        }
        return function != nullptr;
    }

    bool Resolve(std::string& error) {
        // Every one is looked up, so that error names the first missing.
        bool found = Find(globalInit, "curl_global_init", error);
        found &= Find(globalCleanup, "curl_global_cleanup", error);
        found &= Find(easyInit, "curl_easy_init", error);
        found &= Find(easySetopt, "curl_easy_setopt", error);
        found &= Find(easyPerform, "curl_easy_perform", error);
        found &= Find(easyGetinfo, "curl_easy_getinfo", error);
        found &= Find(easyCleanup, "curl_easy_cleanup", error);
        found &= Find(easyStrerror, "curl_easy_strerror", error);
        found &= Find(slistAppend, "curl_slist_append", error);
        found &= Find(slistFreeAll, "curl_slist_free_all", error);
        return found;
    }

    void* m_handle;
    bool m_initialised = false;
    std::atomic<bool> m_abandoned{false};
};

// Whether the URL names its host by address, which libcurl uses without a lookup.
bool NumericHost(const std::string& url) {
    const std::size_t scheme = url.find("://");
    std::size_t begin = scheme == std::string::npos ? 0 : scheme + 3;
    std::size_t end = url.find_first_of("/?#", begin);
    std::string host =
        url.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    host = host.substr(host.find('@') == std::string::npos ? 0 : host.find('@') + 1);
    if (!host.empty() && host.front() == '[') {
        host = host.substr(1, host.find(']') - 1);
        in6_addr v6{};
        return ::inet_pton(AF_INET6, host.c_str(), &v6) == 1;
    }
    host = host.substr(0, host.find(':'));
    in_addr v4{};
    return ::inet_pton(AF_INET, host.c_str(), &v4) == 1;
}

class CurlDownloader final : public IHttpDownloader {
public:
    CurlDownloader(const HttpLimits& limits, std::string library)
        : m_limits(limits), m_library(std::move(library)) {}

    HttpResponse Get(const std::string& url, std::stop_token stop) override {
        HttpResponse response;
        const std::string where = "cannot download " + url + ": ";
        std::string loadError;
        const std::shared_ptr<CurlLibrary> lib = CurlLibrary::Acquire(m_library, loadError);
        if (lib == nullptr) {
            response.error = where + loadError;
            return response;
        }
        CURL* curl = lib->easyInit();
        if (curl == nullptr) {
            response.error = where + "cannot start libcurl";
            return response;
        }
        Transfer transfer;
        transfer.maxBytes = m_limits.maxBytes;
        transfer.stop = stop;
        char errorText[CURL_ERROR_SIZE] = {};

        curl_slist* headers = nullptr;
        headers = lib->slistAppend(headers, "Cache-Control: no-cache");
        headers = lib->slistAppend(headers, "Pragma: no-cache");

        const std::string userAgent = std::string(kProductName) + "/" + kProductVersion;
        lib->easySetopt(curl, CURLOPT_URL, url.c_str());
        lib->easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        lib->easySetopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        lib->easySetopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        lib->easySetopt(curl, CURLOPT_MAXREDIRS, m_limits.maxRedirects);
        lib->easySetopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                        static_cast<long>(m_limits.connectTimeout.count()));
        lib->easySetopt(curl, CURLOPT_TIMEOUT_MS,
                        static_cast<long>(m_limits.transferTimeout.count()));
        // A Content-Length above the limit fails before the body is read.
        lib->easySetopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                        static_cast<curl_off_t>(m_limits.maxBytes));
        lib->easySetopt(curl, CURLOPT_HTTPHEADER, headers);
        lib->easySetopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
        lib->easySetopt(curl, CURLOPT_NOSIGNAL, 1L); // safe on a worker thread
        // A stop does not wait for a name lookup (which may take the resolver's own timeouts).
        lib->easySetopt(curl, CURLOPT_QUICK_EXIT, 1L);
        lib->easySetopt(curl, CURLOPT_WRITEFUNCTION, &OnBody);
        lib->easySetopt(curl, CURLOPT_WRITEDATA, &transfer);
        lib->easySetopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
        lib->easySetopt(curl, CURLOPT_XFERINFODATA, &transfer);
        lib->easySetopt(curl, CURLOPT_NOPROGRESS, 0L);
        lib->easySetopt(curl, CURLOPT_ERRORBUFFER, errorText);

        const CURLcode result = lib->easyPerform(curl);
        lib->easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
        // A host name and no address yet: its lookup was running when the transfer stopped.
        const char* address = nullptr;
        lib->easyGetinfo(curl, CURLINFO_PRIMARY_IP, &address);
        const bool lookupLeft = (address == nullptr || *address == '\0') && !NumericHost(url);
        lib->easyCleanup(curl);
        lib->slistFreeAll(headers);

        if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
            response.error =
                where + "the answer is larger than " + std::to_string(m_limits.maxBytes) + " bytes";
        } else if (result == CURLE_ABORTED_BY_CALLBACK) {
            response.error = where + "stopped";
            if (lookupLeft) {
                lib->Abandon();
            }
        } else if (result != CURLE_OK) {
            response.error = where + (errorText[0] != '\0' ? errorText : lib->easyStrerror(result));
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
    std::string m_library;
};

} // namespace

std::unique_ptr<IHttpDownloader> MakeHttpDownloader(const HttpLimits& limits,
                                                    const std::string& library) {
    return std::make_unique<CurlDownloader>(limits, library);
}

} // namespace tarnwick
