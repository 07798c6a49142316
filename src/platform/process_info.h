// Facts about the running process that the start-up benchmark reports.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnwick {

// The start time (field 22, clock ticks since boot) from a line of /proc/PID/stat. The
// command name in field 2 may hold blanks and parentheses, so fields count from the last ')'.
std::optional<std::uint64_t> ParseProcessStartTicks(std::string_view statLine);

// Milliseconds from this process's start to now; boottimeNs receives now on CLOCK_BOOTTIME.
// Negative when the start time cannot be read.
double MillisecondsSinceProcessStart(long long& boottimeNs);

} // namespace tarnwick
