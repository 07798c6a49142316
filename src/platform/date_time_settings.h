// The desktop's own date and time settings, which "Select your computer's time zone" opens.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

struct LaunchCommand {
    std::string program;
    std::vector<std::string> arguments;
    bool operator==(const LaunchCommand&) const = default;
};

// currentDesktop is XDG_CURRENT_DESKTOP, a colon-separated list such as "ubuntu:GNOME".
// The first desktop of the list whose own tool isInstalled reports wins; failing that, any
// known tool that is installed (a GNOME tool under a bare window manager); nullopt when none.
std::optional<LaunchCommand>
ChooseDateTimeSettingsCommand(const std::string& currentDesktop,
                              const std::function<bool(const std::string&)>& isInstalled);

// True when name is an executable regular file in one of pathVariable's directories.
bool IsOnPath(const std::string& name, const std::string& pathVariable);

// What the user is told when no settings tool is found.
extern const char* const kNoDateTimeSettingsMessage;

} // namespace tarnwick
