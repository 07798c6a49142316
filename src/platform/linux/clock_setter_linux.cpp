// Placeholder until the timedated and clock_settime setter lands: every step is refused.
#include "platform/clock_setter.h"

namespace tarnwick {

namespace {

class UnavailableClockSetter final : public IClockSetter {
public:
    ClockStepResult StepBy(std::int64_t) override {
        return {false, "setting the system clock is not available in this build"};
    }
};

} // namespace

std::unique_ptr<IClockSetter> MakeSystemClockSetter() {
    return std::make_unique<UnavailableClockSetter>();
}

} // namespace tarnwick
