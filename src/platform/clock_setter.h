// Stepping the system clock. The one place the program may change the computer's time; tests
// use FakeClockSetter and never reach the real clock.
#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace tarnwick {

struct ClockStepResult {
    bool ok = false;
    std::string reason; // why the step was refused or failed, for the user; empty when ok
    // Not refused, but its answer never came (a timeout, or the caller stopped waiting): the
    // step may still be carried out, so the measurement it came from is not to be used again.
    bool mayStillApply = false;
    // Refused because the system's own time service keeps the clock.
    bool systemKeepsTime = false;
};

class IClockSetter {
public:
    virtual ~IClockSetter() = default;
    // Steps the system clock by offsetMicroseconds (positive: forward), relative to the
    // clock as it reads at the moment of the step. May be called from any thread; may block
    // while the system asks the user for permission, and returns at once when stop is
    // requested.
    virtual ClockStepResult StepBy(std::int64_t offsetMicroseconds, std::stop_token stop = {}) = 0;
};

// Records the steps asked for and answers as scripted (success unless refuseWith is set).
class FakeClockSetter final : public IClockSetter {
public:
    ClockStepResult StepBy(std::int64_t offsetMicroseconds, std::stop_token stop = {}) override;

    std::vector<std::int64_t> steps; // microseconds, in call order
    std::string refuseWith;          // non-empty: every step fails with this reason
};

// The computer's clock: systemd-timedated over the system bus (polkit asks a desktop user),
// or clock_settime where no timedated answers and the process may set the time.
std::unique_ptr<IClockSetter> MakeSystemClockSetter();

} // namespace tarnwick
