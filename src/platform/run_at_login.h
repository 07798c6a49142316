// Start at login: an XDG autostart entry, ~/.config/autostart/tarnwick.desktop, whose Exec is
// the program's path. Turning it off keeps the entry with Hidden=true.
#pragma once

#include <string>

namespace tarnwick {

class IRunAtLogin {
public:
    virtual ~IRunAtLogin() = default;
    // name "Tarnwick"; programPath the executable. Returns false when the entry could not be
    // written (nothing is shown to the user).
    virtual bool WriteRunValue(const std::string& name, bool enabled,
                               const std::string& programPath) = 0;
};

} // namespace tarnwick
