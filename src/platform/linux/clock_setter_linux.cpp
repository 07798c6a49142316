// Setting the clock on Linux. A desktop user is not root, so the step is asked of
// systemd-timedated over the system bus: polkit asks the user for permission, and the service
// applies the step. Only where no timedated answers on the bus does the program step the clock
// itself, and only when it holds CAP_SYS_TIME; without it the step is refused, never tried.
#include "platform/linux/clock_setter_linux.h"
#include "platform/linux/timedated_bus.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <limits>
#include <linux/capability.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace tarnwick {

namespace {

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
    bool mayStillApply = false;
    bool systemKeepsTime = false;
};

const std::string kWhere(timedated::kWhere);

BusAnswer RefusalOf(const timedated::CallResult& call) {
    const std::string& name = call.errorName;
    const std::string detail = call.errorMessage.empty() ? std::string() : ": " + call.errorMessage;
    if (name == "org.freedesktop.timedate1.AutomaticTimeSyncEnabled") {
        BusAnswer answer{BusAnswer::Kind::Refused,
                         "The system's own time service keeps this computer's clock (automatic "
                         "time synchronization is on), so " +
                             kWhere + " leaves the clock to it."};
        answer.systemKeepsTime = true;
        return answer;
    }
    if (name == SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED) {
        return {BusAnswer::Kind::Refused,
                "Setting the clock needs an administrator's permission, and there was no way to "
                "ask for it (no polkit authentication agent is running)" +
                    detail + " [" + kWhere + "]"};
    }
    if (name == SD_BUS_ERROR_ACCESS_DENIED) {
        return {BusAnswer::Kind::Refused,
                "Permission to set the clock was refused" + detail + " [" + kWhere + "]"};
    }
    return {BusAnswer::Kind::Refused, kWhere + " could not set the clock: " +
                                          (name.empty() ? "unknown error" : name) + detail};
}

BusAnswer SetTimeThroughTimedated(std::int64_t offsetMicroseconds,
                                  std::chrono::microseconds timeout, std::stop_token stop) {
    const timedated::CallResult call = timedated::Call(
        timedated::kInterface, "SetTime",
        [offsetMicroseconds](sd_bus_message* m) {
            // usec_utc, relative, interactive
            return sd_bus_message_append(m, "xbb", offsetMicroseconds, 1, 1);
        },
        {}, true, timeout, std::move(stop));
    using Kind = timedated::CallResult::Kind;
    switch (call.kind) {
    case Kind::Reply:
        return {BusAnswer::Kind::Done, {}};
    case Kind::NoService:
        return {BusAnswer::Kind::NoService, call.detail};
    case Kind::TimedOut:
    case Kind::Stopped: {
        BusAnswer answer{BusAnswer::Kind::Refused,
                         call.kind == Kind::Stopped
                             ? "The program ended its wait for " + kWhere
                             : kWhere + " did not answer within " + DurationText(timeout)};
        answer.reason += "; the step may still be applied. The next check measures again.";
        answer.mayStillApply = true;
        return answer;
    }
    case Kind::Error:
        return RefusalOf(call);
    case Kind::Failed:
        break;
    }
    return {BusAnswer::Kind::Refused, "could not ask " + kWhere + ": " + call.detail};
}

class SystemClockSetter final : public IClockSetter {
public:
    explicit SystemClockSetter(const SystemClockOps& ops) : m_ops(ops) {}

    ClockStepResult StepBy(std::int64_t offsetMicroseconds, std::stop_token stop) override {
        const BusAnswer answer =
            SetTimeThroughTimedated(offsetMicroseconds, m_ops.callTimeout, std::move(stop));
        if (answer.kind == BusAnswer::Kind::Done) {
            return {true, {}};
        }
        if (answer.kind == BusAnswer::Kind::Refused) {
            return {false, answer.reason, answer.mayStillApply, answer.systemKeepsTime};
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
