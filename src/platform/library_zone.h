// What the C library says of instants in a zone other than the computer's: TZ is pointed at
// the zone while the object lives and put back afterwards. For tools that check zone rules
// against the system's time-zone database; not for use while other threads read the time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/local_zone.h"

namespace tarnwick {

class LibraryZone {
public:
    // tzValue as TZ takes it: ":/usr/share/zoneinfo/Europe/Paris", "Europe/Paris" or a rule.
    explicit LibraryZone(const std::string& tzValue);
    ~LibraryZone();
    LibraryZone(const LibraryZone&) = delete;
    LibraryZone& operator=(const LibraryZone&) = delete;

    LocalInstant At(std::int64_t unixSeconds) const;

private:
    std::optional<std::string> m_previous;
};

} // namespace tarnwick
