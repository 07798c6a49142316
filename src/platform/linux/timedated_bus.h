// Calls to systemd-timedated over the system bus that wait a bounded time and end at once when
// their caller stops: the reply is awaited in short slices, and a call that is given up is
// abandoned with its connection.
#pragma once

#include <chrono>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

#include <systemd/sd-bus.h>

namespace tarnwick::timedated {

inline constexpr const char* kName = "org.freedesktop.timedate1";
inline constexpr const char* kPath = "/org/freedesktop/timedate1";
inline constexpr const char* kInterface = "org.freedesktop.timedate1";
inline constexpr std::string_view kWhere = "systemd-timedated (org.freedesktop.timedate1)";

struct CallResult {
    enum class Kind {
        Reply,     // a method return; read was called with it
        Error,     // an error reply: errorName, errorMessage
        NoService, // no bus, or nobody owns (or could be started for) the name: detail
        TimedOut,  // no answer within the timeout: the call may still be carried out
        Stopped,   // the caller stopped waiting: the call may still be carried out
        Failed,    // the call could not be made: detail
    } kind = Kind::Failed;
    std::string errorName;
    std::string errorMessage;
    std::string detail;
};

// build appends the arguments (may be empty); read takes the reply's arguments and returns
// 0 or a negative errno. interactive lets polkit ask the user.
CallResult Call(const char* interface, const char* member,
                const std::function<int(sd_bus_message*)>& build,
                const std::function<int(sd_bus_message*)>& read, bool interactive,
                std::chrono::microseconds timeout, std::stop_token stop);

} // namespace tarnwick::timedated
