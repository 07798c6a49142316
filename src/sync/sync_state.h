// The state of the time check as its one owner, the time client, hands it out: the window's
// display, the tray tip and the command line read copies of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sync/offset_estimate.h"

namespace tarnwick {

enum SyncStatusValue : int {
    StatusNotSynchronized = 0,
    StatusConnecting = 1,
    StatusDifference = 2,   // an answer came; the clock was left as it was
    StatusSynchronized = 3, // an answer came and the clock was set
};

struct TimeSyncSnapshot {
    bool busy = false;      // a synchronisation thread runs
    bool searching = false; // no server has answered yet in the running check
    SyncStatusValue status = StatusNotSynchronized;
    std::string currentServer;              // the entry of the current or last attempt
    std::int64_t differenceSeconds = 0;     // server - local at receipt, whole seconds
    std::optional<OffsetInterval> estimate; // server - local as measured so far
    // Lines under the difference: servers that disagree, the system's own time service, why
    // the clock was left alone.
    std::vector<std::string> notes;
    std::string lastFailure; // "server: reason" of the last attempt without an answer
    int clockSteps = 0;      // steps of the clock this client has made
};

} // namespace tarnwick
