// Stepping the system clock. The one place the program may change the computer's time; tests
// use FakeClockSetter and never reach the real clock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarnwick {

struct ClockStepResult {
    bool ok = false;
    std::string reason; // why the step was refused or failed, for the user; empty when ok
};

class IClockSetter {
public:
    virtual ~IClockSetter() = default;
    // Steps the system clock by offsetMicroseconds (positive: forward), relative to the
    // clock as it reads at the moment of the step. May be called from any thread; may block
    // while the system asks the user for permission.
    virtual ClockStepResult StepBy(std::int64_t offsetMicroseconds) = 0;
};

// Records the steps asked for and answers as scripted (success unless refuseWith is set).
class FakeClockSetter final : public IClockSetter {
public:
    ClockStepResult StepBy(std::int64_t offsetMicroseconds) override;

    std::vector<std::int64_t> steps; // microseconds, in call order
    std::string refuseWith;          // non-empty: every step fails with this reason
};

// The computer's clock: systemd-timedated over the system bus (polkit asks a desktop user),
// or clock_settime where no timedated answers and the process may set the time.
std::unique_ptr<IClockSetter> MakeSystemClockSetter();

} // namespace tarnwick
