#include "platform/clock_setter.h"

namespace tarnwick {

ClockStepResult FakeClockSetter::StepBy(std::int64_t offsetMicroseconds, std::stop_token) {
    steps.push_back(offsetMicroseconds);
    if (!refuseWith.empty()) {
        return {false, refuseWith};
    }
    return {true, {}};
}

} // namespace tarnwick
