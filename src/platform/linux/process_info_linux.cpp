#include <time.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/process_info.h"

namespace tarnwick {

double MillisecondsSinceProcessStart(long long& boottimeNs) {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    boottimeNs = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    const std::optional<std::uint64_t> ticks = ParseProcessStartTicks(line);
    if (!ticks) {
        return -1.0;
    }
    const double startSeconds =
        static_cast<double>(*ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return static_cast<double>(boottimeNs) / 1e6 - startSeconds * 1000.0;
}

} // namespace tarnwick
