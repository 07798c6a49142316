// One attempt on one server: resolve, connect without blocking (IPv4 addresses first), read
// until four bytes have come, the peer closed, a read failed, the deadline passed or wakeFd
// became readable. Runs on the caller's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "sync/check_policy.h"
#include "sync/time_protocol.h"

namespace tarnwick {

class IClock;

struct TimeQueryResult {
    bool answered = false;
    TimeAnswer answer;  // when answered
    std::string reason; // why not, e.g. "connection refused", "reply of 2 bytes"
};

// wakeFd: -1, or a descriptor whose readability ends the attempt at once. onConnectDone, when
// given, is called once the connect has succeeded or every address has failed, before the read.
TimeQueryResult QueryTimeServer(const ServerAddress& server, const IClock& clock,
                                std::chrono::milliseconds timeout, int wakeFd = -1,
                                std::int64_t floorUnixSeconds = BuildDateUnixSeconds(),
                                const std::function<void()>& onConnectDone = {});

} // namespace tarnwick
