#include <ctime>

#include "platform/clock.h"

namespace tarnwick {

std::int64_t BootClock::ElapsedMilliseconds() const {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

const BootClock& BootClock::Instance() {
    static const BootClock clock;
    return clock;
}

} // namespace tarnwick
