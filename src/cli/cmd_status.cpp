// tarnwick-cli status: what the system's own time service says about this computer's clock.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "platform/system_time.h"

namespace tarnwick::cli {

namespace {

const char* YesNo(const std::optional<bool>& value, const char* yes, const char* no) {
    return !value ? "unknown" : *value ? yes : no;
}

int RunStatus(Context& context) {
    if (!context.args.empty()) {
        return UsageError("status", "unexpected argument '" + context.args.front() + "'");
    }
    const SystemTimeStatus status = MakeSystemTimeService()->Read();
    std::printf("ntp\t%s\n", YesNo(status.ntp, "on", "off"));
    std::printf("ntp_synchronized\t%s\n", YesNo(status.ntpSynchronized, "yes", "no"));
    if (!status.timedatedError.empty()) {
        std::printf("timedated_error\t%s\n", status.timedatedError.c_str());
    }
    const std::optional<bool> kernel =
        status.kernelRead ? std::optional<bool>(status.kernelSynchronized) : std::nullopt;
    std::printf("kernel_synchronized\t%s\n", YesNo(kernel, "yes", "no"));
    if (status.kernelRead) {
        std::printf("kernel_maxerror_s\t%.6f\n",
                    static_cast<double>(status.kernelMaxErrorMicroseconds) / 1e6);
        std::printf("kernel_esterror_s\t%.6f\n",
                    static_cast<double>(status.kernelEstErrorMicroseconds) / 1e6);
    }
    std::printf("keeps_clock\t%s\n", status.KeepsClock() ? "yes" : "no");
    return kOk;
}

} // namespace

constinit const Command kStatusCommand{
    "status",
    "  status      the system's own time service: NTP on or off and synchronized (from\n"
    "              systemd-timedated), the kernel's synchronized flag and its maximum and\n"
    "              estimated error in seconds, and whether the system keeps the clock (then a\n"
    "              check only compares); KEY<TAB>VALUE lines",
    RunStatus};

} // namespace tarnwick::cli
