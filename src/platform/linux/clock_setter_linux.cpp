// Setting the clock on Linux. A desktop user is not root, so the step is asked of
// systemd-timedated over the system bus: polkit asks the user for permission, and the service
// applies the step. Only where no timedated answers on the bus does the program step the clock
// itself, and only when it holds CAP_SYS_TIME; without it the step is refused, never tried.
#include "platform/linux/clock_setter_linux.h"
#include "platform/message_box.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <linux/capability.h>
#include <string>
#include <string_view>
#include <sys/syscall.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace tarnwick {

namespace {

constexpr const char* kTimedatedName = "org.freedesktop.timedate1";
constexpr const char* kTimedatedPath = "/org/freedesktop/timedate1";
constexpr const char* kTimedatedInterface = "org.freedesktop.timedate1";
constexpr std::string_view kWhere = "systemd-timedated (org.freedesktop.timedate1)";

constexpr std::int64_t kMicrosecondsPerSecond = 1'000'000;
constexpr unsigned kSetTimeCapabilityBit = CAP_SYS_TIME; // 25

bool HoldsSetTimeCapability() {
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0;
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    return (data[kSetTimeCapabilityBit / 32].effective & (1u << (kSetTimeCapabilityBit % 32))) != 0;
}

// The one privileged call: reads CLOCK_REALTIME and sets it offsetMicroseconds later, with as
// little as possible between the two. 0 or an errno value.
int StepRealtimeClock(std::int64_t offsetMicroseconds) {
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0) {
        return errno;
    }
    const std::int64_t offsetSeconds = offsetMicroseconds / kMicrosecondsPerSecond;
    const std::int64_t offsetNanoseconds = offsetMicroseconds % kMicrosecondsPerSecond * 1000;
    std::int64_t seconds = 0;
    if (__builtin_add_overflow(static_cast<std::int64_t>(now.tv_sec), offsetSeconds, &seconds)) {
        return EINVAL;
    }
    std::int64_t nanoseconds = now.tv_nsec + offsetNanoseconds; // (-1e9, 2e9)
    if (nanoseconds < 0) {
        nanoseconds += 1'000'000'000;
        --seconds;
    } else if (nanoseconds >= 1'000'000'000) {
        nanoseconds -= 1'000'000'000;
        ++seconds;
    }
    if (seconds < 0 || seconds > std::numeric_limits<time_t>::max()) {
        return EINVAL;
    }
    timespec target{};
    target.tv_sec = static_cast<time_t>(seconds);
    target.tv_nsec = static_cast<long>(nanoseconds);
    return ::clock_settime(CLOCK_REALTIME, &target) == 0 ? 0 : errno;
}

std::string ErrnoText(int error) {
    return std::strerror(error);
}

// "120 s", or "300 ms" for a wait shorter than a second.
std::string DurationText(std::chrono::microseconds wait) {
    if (wait < std::chrono::seconds(1)) {
        return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()) +
               " ms";
    }
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait).count()) + " s";
}

// What became of the request to timedated.
struct BusAnswer {
    enum class Kind { Done, Refused, NoService } kind = Kind::NoService;
    std::string reason; // for Refused: the user's text; for NoService: why, for the log of it
};

// Bus errors that mean nobody owns, or could be started for, the service name.
bool MeansNoService(std::string_view name) {
    return name == SD_BUS_ERROR_SERVICE_UNKNOWN || name == SD_BUS_ERROR_NAME_HAS_NO_OWNER ||
           name.starts_with("org.freedesktop.DBus.Error.Spawn.");
}

std::string RefusalText(const sd_bus_error& error, std::chrono::microseconds timeout) {
    const std::string_view name = error.name ? error.name : "";
    const std::string detail =
        error.message && *error.message ? std::string(": ") + error.message : std::string();
    if (name == "org.freedesktop.timedate1.AutomaticTimeSyncEnabled") {
        return "The system's own time service keeps this computer's clock (automatic time "
               "synchronization is on), so " +
               std::string(kWhere) + " refuses to set it. To let " + std::string(kProductName) +
               " set the clock, turn that off with "
               "\"timedatectl set-ntp false\".";
    }
    if (name == SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED) {
        return "Setting the clock needs an administrator's permission, and there was no way to "
               "ask for it (no polkit authentication agent is running)" +
               detail + " [" + std::string(kWhere) + "]";
    }
    if (name == SD_BUS_ERROR_ACCESS_DENIED) {
        return "Permission to set the clock was refused" + detail + " [" + std::string(kWhere) +
               "]";
    }
    if (name == SD_BUS_ERROR_NO_REPLY || name == SD_BUS_ERROR_TIMEOUT) {
        return std::string(kWhere) + " did not answer within " + DurationText(timeout);
    }
    return std::string(kWhere) + " could not set the clock: " +
           (name.empty() ? std::string("unknown error") : std::string(name)) + detail;
}

BusAnswer SetTimeThroughTimedated(std::int64_t offsetMicroseconds,
                                  std::chrono::microseconds timeout) {
    sd_bus* bus = nullptr;
    int r = sd_bus_open_system(&bus);
    if (r < 0) {
        return {BusAnswer::Kind::NoService, "no system bus: " + ErrnoText(-r)};
    }
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    BusAnswer answer;
    r = sd_bus_message_new_method_call(bus, &call, kTimedatedName, kTimedatedPath,
                                       kTimedatedInterface, "SetTime");
    if (r >= 0) {
        r = sd_bus_message_set_allow_interactive_authorization(call, 1);
    }
    if (r >= 0) {
        // usec_utc, relative, interactive
        r = sd_bus_message_append(call, "xbb", offsetMicroseconds, 1, 1);
    }
    if (r < 0) {
        answer = {BusAnswer::Kind::Refused,
                  "could not ask " + std::string(kWhere) + ": " + ErrnoText(-r)};
    } else {
        r = sd_bus_call(bus, call, static_cast<std::uint64_t>(timeout.count()), &error, &reply);
        if (r >= 0) {
            answer = {BusAnswer::Kind::Done, {}};
        } else if (sd_bus_error_is_set(&error) && MeansNoService(error.name)) {
            answer = {BusAnswer::Kind::NoService, error.name};
        } else if (sd_bus_error_is_set(&error)) {
            answer = {BusAnswer::Kind::Refused, RefusalText(error, timeout)};
        } else if (r == -ETIMEDOUT) {
            answer = {BusAnswer::Kind::Refused,
                      std::string(kWhere) + " did not answer within " + DurationText(timeout)};
        } else if (r == -ECONNRESET || r == -ENOTCONN || r == -ECONNREFUSED || r == -ENOENT) {
            answer = {BusAnswer::Kind::NoService, "system bus: " + ErrnoText(-r)};
        } else {
            answer = {BusAnswer::Kind::Refused,
                      "could not ask " + std::string(kWhere) + ": " + ErrnoText(-r)};
        }
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    sd_bus_flush_close_unref(bus);
    return answer;
}

class SystemClockSetter final : public IClockSetter {
public:
    explicit SystemClockSetter(const SystemClockOps& ops) : m_ops(ops) {}

    ClockStepResult StepBy(std::int64_t offsetMicroseconds) override {
        const BusAnswer answer = SetTimeThroughTimedated(offsetMicroseconds, m_ops.callTimeout);
        if (answer.kind == BusAnswer::Kind::Done) {
            return {true, {}};
        }
        if (answer.kind == BusAnswer::Kind::Refused) {
            return {false, answer.reason};
        }
        if (!m_ops.holdsSetTimeCapability()) {
            return {false, "No time service answers on the system bus (" + answer.reason +
                               "), and this program may not set the clock itself "
                               "(it lacks CAP_SYS_TIME): " +
                               ErrnoText(EPERM)};
        }
        const int error = m_ops.stepRealtimeClock(offsetMicroseconds);
        if (error != 0) {
            return {false, "No time service answers on the system bus (" + answer.reason +
                               "), and setting the clock directly failed: " + ErrnoText(error)};
        }
        return {true, {}};
    }

private:
    SystemClockOps m_ops;
};

} // namespace

SystemClockOps RealSystemClockOps() {
    return {&HoldsSetTimeCapability, &StepRealtimeClock, std::chrono::seconds(120)};
}

std::unique_ptr<IClockSetter> MakeSystemClockSetter(const SystemClockOps& ops) {
    return std::make_unique<SystemClockSetter>(ops);
}

std::unique_ptr<IClockSetter> MakeSystemClockSetter() {
    return MakeSystemClockSetter(RealSystemClockOps());
}

} // namespace tarnwick
