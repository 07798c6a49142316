#include "platform/date_time_settings.h"

#include <cctype>

namespace tarnwick {

const char* const kNoDateTimeSettingsMessage =
    "No date and time settings of this desktop were found.  To change the computer's time "
    "zone, run in a terminal:\n\n    timedatectl set-timezone ZONE\n\nwith ZONE one of "
    "\"timedatectl list-timezones\", for example Europe/Berlin.";

namespace {

struct DesktopTools {
    const char* desktop; // lower case, as XDG_CURRENT_DESKTOP names it
    std::vector<LaunchCommand> tools;
};

const std::vector<DesktopTools>& KnownDesktops() {
    static const std::vector<DesktopTools> desktops = {
        {"gnome", {{"gnome-control-center", {"datetime"}}}},
        {"unity", {{"gnome-control-center", {"datetime"}}}},
        {"budgie",
         {{"budgie-control-center", {"datetime"}}, {"gnome-control-center", {"datetime"}}}},
        {"kde",
         {{"systemsettings", {"kcm_clock"}},
          {"kcmshell6", {"kcm_clock"}},
          {"kcmshell5", {"kcm_clock"}}}},
        {"x-cinnamon", {{"cinnamon-settings", {"calendar"}}}},
        {"cinnamon", {{"cinnamon-settings", {"calendar"}}}},
        {"mate", {{"mate-time-admin", {}}, {"time-admin", {}}}},
        {"xfce", {{"time-admin", {}}}},
        {"lxqt", {{"lxqt-admin-time", {}}}},
    };
    return desktops;
}

std::vector<std::string> SplitDesktops(const std::string& list) {
    std::vector<std::string> names;
    std::string name;
    for (char c : list + ":") {
        if (c == ':') {
            if (!name.empty()) {
                names.push_back(name);
            }
            name.clear();
        } else {
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return names;
}

} // namespace

std::optional<LaunchCommand>
ChooseDateTimeSettingsCommand(const std::string& currentDesktop,
                              const std::function<bool(const std::string&)>& isInstalled) {
    for (const std::string& name : SplitDesktops(currentDesktop)) {
        for (const DesktopTools& desktop : KnownDesktops()) {
            if (name != desktop.desktop) {
                continue;
            }
            for (const LaunchCommand& tool : desktop.tools) {
                if (isInstalled(tool.program)) {
                    return tool;
                }
            }
        }
    }
    for (const DesktopTools& desktop : KnownDesktops()) {
        for (const LaunchCommand& tool : desktop.tools) {
            if (isInstalled(tool.program)) {
                return tool;
            }
        }
    }
    return std::nullopt;
}

} // namespace tarnwick
