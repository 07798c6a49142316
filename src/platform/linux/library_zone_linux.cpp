#include <cstdlib>
#include <ctime>

#include "platform/library_zone.h"

namespace tarnwick {

LibraryZone::LibraryZone(const std::string& tzValue) {
    if (const char* previous = std::getenv("TZ")) {
        m_previous = previous;
    }
    ::setenv("TZ", tzValue.c_str(), 1);
    ::tzset(); // localtime_r does not look at TZ again by itself
}

LibraryZone::~LibraryZone() {
    if (m_previous) {
        ::setenv("TZ", m_previous->c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

LocalInstant LibraryZone::At(std::int64_t unixSeconds) const {
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    LocalInstant out;
    if (::localtime_r(&t, &parts) == nullptr) {
        return out;
    }
    out.offsetMinutes = static_cast<int>(parts.tm_gmtoff / 60);
    out.isDst = parts.tm_isdst > 0;
    out.abbreviation = parts.tm_zone ? parts.tm_zone : "";
    return out;
}

} // namespace tarnwick
