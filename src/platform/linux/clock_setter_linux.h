// The Linux clock setter's moving parts, so that tests can drive its decisions against a
// stand-in time service without the real clock ever being at stake.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/clock_setter.h"

namespace tarnwick {

struct SystemClockOps {
    // Whether this process holds CAP_SYS_TIME in its effective set.
    bool (*holdsSetTimeCapability)();
    // Steps CLOCK_REALTIME by offsetMicroseconds from its reading at the moment of the call;
    // 0 or an errno value.
    int (*stepRealtimeClock)(std::int64_t offsetMicroseconds);
    // How long timedated may take to answer, a polkit password prompt included.
    std::chrono::microseconds callTimeout;
};

// The real capability test and the real clock_settime step, 120 s for timedated.
SystemClockOps RealSystemClockOps();

// Asks systemd-timedated on the system bus (DBUS_SYSTEM_BUS_ADDRESS when set) to step the
// clock; only where no timedated answers there does it step the clock itself, and only with
// CAP_SYS_TIME.
std::unique_ptr<IClockSetter> MakeSystemClockSetter(const SystemClockOps& ops);

} // namespace tarnwick
