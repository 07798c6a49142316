// A small HTTP/1.1 server on 127.0.0.1 for one test: a table of paths and the replies to
// give, including hostile ones (huge bodies, a trickle, redirects). It serves one connection
// at a time on a thread of its own, records every request head, and stops with the test.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "support/core_loopback_listener.h"

namespace tarnwick::test {

class LoopbackHttpServer : public LoopbackListener {
public:
    struct Reply {
        int status = 200;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
        std::size_t repeat = 1;     // the body is sent this many times (10 MB from one block)
        bool sendLength = true;     // false: no Content-Length, the body ends with the connection
        std::size_t chunkBytes = 0; // > 0: sent in pieces of this size ...
        std::chrono::milliseconds chunkPause{0}; // ... with this pause after each
    };

    static Reply Ok(std::string body) {
        Reply reply;
        reply.body = std::move(body);
        return reply;
    }
    static Reply Redirect(std::string location) {
        Reply reply;
        reply.status = 302;
        reply.headers.emplace_back("Location", std::move(location));
        return reply;
    }

    LoopbackHttpServer() : LoopbackListener("127.0.0.1") {
        Start([this](int client) {
            Answer(client);
            ::close(client);
        });
    }
    ~LoopbackHttpServer() { Stop(); }

    void Serve(const std::string& path, Reply reply) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_replies[path] = std::move(reply);
    }
    std::string Root() const { return "http://127.0.0.1:" + std::to_string(Port()); }
    std::string Url(const std::string& path) const { return Root() + path; }

    // Request heads as received, in order.
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    int RequestCount(const std::string& path) const {
        int count = 0;
        for (const std::string& head : Requests()) {
            if (PathOf(head) == path) {
                ++count;
            }
        }
        return count;
    }

private:
    static std::string PathOf(const std::string& head) {
        const std::size_t first = head.find(' ');
        const std::size_t second = head.find(' ', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            return {};
        }
        std::string target = head.substr(first + 1, second - first - 1);
        if (target.rfind("http://", 0) == 0) { // through a proxy: the absolute form
            const std::size_t slash = target.find('/', 7);
            target = slash == std::string::npos ? "/" : target.substr(slash);
        }
        return target;
    }

    // Sends everything or gives up when the client has gone or the test ends.
    bool Send(int fd, const char* data, std::size_t size) {
        while (size > 0 && !Stopping()) {
            if (!Wait(fd, POLLOUT, 50)) {
                continue;
            }
            const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return size == 0;
    }

    void Answer(int client) {
        std::string head;
        char buffer[4096];
        // At most 2 s and 64 KiB for the request head.
        for (int waited = 0; head.find("\r\n\r\n") == std::string::npos && waited < 40 &&
                             head.size() < 65536 && !Stopping();) {
            if (!Wait(client, POLLIN, 50)) {
                ++waited;
                continue;
            }
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return;
            }
            head.append(buffer, static_cast<std::size_t>(n));
        }
        Reply reply;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(head);
            const auto it = m_replies.find(PathOf(head));
            if (it != m_replies.end()) {
                reply = it->second;
            } else {
                reply.status = 404;
                reply.body = "<html><body><h1>404 Not Found</h1></body></html>";
            }
        }
        std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " Test\r\n";
        for (const auto& [name, value] : reply.headers) {
            out += name + ": " + value + "\r\n";
        }
        if (reply.sendLength) {
            out += "Content-Length: " + std::to_string(reply.body.size() * reply.repeat) + "\r\n";
        }
        out += "Connection: close\r\n\r\n";
        if (!Send(client, out.data(), out.size())) {
            return;
        }
        for (std::size_t i = 0; i < reply.repeat; ++i) {
            const std::size_t step = reply.chunkBytes > 0 ? reply.chunkBytes : reply.body.size();
            for (std::size_t at = 0; at < reply.body.size(); at += step) {
                const std::size_t n = std::min(step, reply.body.size() - at);
                if (!Send(client, reply.body.data() + at, n) || !Pause(reply.chunkPause)) {
                    return;
                }
            }
        }
    }

    mutable std::mutex m_mutex;
    std::map<std::string, Reply> m_replies;
    std::vector<std::string> m_requests;
};

} // namespace tarnwick::test
