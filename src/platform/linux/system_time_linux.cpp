// The system's time service as an unprivileged process sees it: timedated's properties over
// the system bus, and the kernel's clock discipline through adjtimex with no modes (a read).
#include <sys/timex.h>

#include <cstring>
#include <string_view>

#include "platform/linux/timedated_bus.h"
#include "platform/system_time.h"

namespace tarnwick {

namespace {

// timedated is started on demand by the bus; a few seconds cover that.
constexpr std::chrono::seconds kPropertiesTimeout{3};

// Reads NTP and NTPSynchronized from the a{sv} of Properties.GetAll.
int ReadProperties(sd_bus_message* m, SystemTimeStatus& status) {
    int r = sd_bus_message_enter_container(m, 'a', "{sv}");
    while (r >= 0 && (r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
        const char* name = nullptr;
        r = sd_bus_message_read(m, "s", &name);
        const std::string_view property = r >= 0 && name != nullptr ? name : "";
        if (property == "NTP" || property == "NTPSynchronized") {
            int value = 0;
            r = sd_bus_message_read(m, "v", "b", &value);
            (property == "NTP" ? status.ntp : status.ntpSynchronized) = value != 0;
        } else if (r >= 0) {
            r = sd_bus_message_skip(m, "v");
        }
        if (r >= 0) {
            r = sd_bus_message_exit_container(m);
        }
    }
    return r < 0 ? r : sd_bus_message_exit_container(m);
}

class SystemTimeService final : public ISystemTimeService {
public:
    SystemTimeStatus Read(std::stop_token stop) const override {
        SystemTimeStatus status;
        const timedated::CallResult call = timedated::Call(
            "org.freedesktop.DBus.Properties", "GetAll",
            [](sd_bus_message* m) { return sd_bus_message_append(m, "s", timedated::kInterface); },
            [&status](sd_bus_message* m) { return ReadProperties(m, status); }, false,
            kPropertiesTimeout, std::move(stop));
        if (call.kind != timedated::CallResult::Kind::Reply) {
            status.ntp.reset();
            status.ntpSynchronized.reset();
            status.timedatedError = !call.detail.empty()      ? call.detail
                                    : !call.errorName.empty() ? call.errorName
                                    : call.kind == timedated::CallResult::Kind::TimedOut
                                        ? "no answer"
                                        : "not asked";
        }
        timex tx{};
        tx.modes = 0; // read only: no privilege needed
        const int state = ::adjtimex(&tx);
        if (state >= 0) {
            status.kernelRead = true;
            status.kernelSynchronized = (tx.status & STA_UNSYNC) == 0 && state != TIME_ERROR;
            status.kernelMaxErrorMicroseconds = tx.maxerror;
            status.kernelEstErrorMicroseconds = tx.esterror;
        }
        return status;
    }
};

} // namespace

std::unique_ptr<ISystemTimeService> MakeSystemTimeService() {
    return std::make_unique<SystemTimeService>();
}

} // namespace tarnwick
