// One attempt on one server: resolve the name, connect without blocking (IPv4 addresses
// first), read until four bytes have come, the peer closed, a read failed, the deadline passed
// or the wake event was signalled. The deadline covers all of it, the name lookup included.
// Runs on the caller's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "sync/offset_estimate.h"
#include "sync/time_protocol.h"

namespace tarnwick {

class IClock;
class INameResolver;
class WakeEvent;

struct TimeQueryResult {
    bool answered = false;
    TimeAnswer answer;  // when answered
    std::string reason; // why not, e.g. "connection refused", "reply of 2 bytes", "stopped"
};

struct TimeQueryContext {
    const IClock* clock = nullptr;
    const INameResolver* resolver = nullptr; // null: the system's
    const WakeEvent* wake = nullptr;         // null: only the deadline ends the attempt
    std::int64_t floorUnixSeconds = BuildDateUnixSeconds(); // earlier replies are no answer
};

// onConnectDone, when given, is called once the connect has succeeded or every address has
// failed, before the read.
TimeQueryResult QueryTimeServer(const ServerAddress& server, const TimeQueryContext& context,
                                std::chrono::milliseconds timeout,
                                const std::function<void()>& onConnectDone = {});

} // namespace tarnwick
