// What the system's own time service says about this computer's clock, read without
// privilege: systemd-timedated's NTP and NTPSynchronized properties, and the kernel's clock
// discipline (adjtimex with no modes: its synchronised flag and error estimates).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace tarnwick {

struct SystemTimeStatus {
    std::optional<bool> ntp;             // timedated: the system's NTP service is on
    std::optional<bool> ntpSynchronized; // timedated: that service has synchronised the clock
    std::string timedatedError;          // why timedated could not say, when it could not
    bool kernelRead = false;             // the kernel's figures below were read
    bool kernelSynchronized = false;     // STA_UNSYNC clear
    std::int64_t kernelMaxErrorMicroseconds = 0;
    std::int64_t kernelEstErrorMicroseconds = 0;

    // The system keeps this clock by NTP: its service is on, or the kernel reports the clock
    // disciplined and synchronised (a time service that timedated does not know).
    bool KeepsClock() const { return ntp.value_or(false) || (kernelRead && kernelSynchronized); }
    bool Synchronized() const {
        return ntpSynchronized.value_or(false) || (kernelRead && kernelSynchronized);
    }
};

class ISystemTimeService {
public:
    virtual ~ISystemTimeService() = default;
    // Returns within a few seconds, at once when stop is requested. Any thread.
    virtual SystemTimeStatus Read(std::stop_token stop = {}) const = 0;
};

// Answers with status; the default says nothing keeps the clock.
class FakeSystemTimeService final : public ISystemTimeService {
public:
    SystemTimeStatus Read(std::stop_token = {}) const override { return status; }
    SystemTimeStatus status;
};

// timedated on the system bus (DBUS_SYSTEM_BUS_ADDRESS when set) and the kernel.
std::unique_ptr<ISystemTimeService> MakeSystemTimeService();

} // namespace tarnwick
