#include "startup/command_line.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace tarnwick {

namespace {

// Qt's standard options (QGuiApplication, QApplication and the X11 platform's), which take
// one or two leading dashes. These take the next argument as their value.
constexpr std::string_view kQtOptionsWithValue[] = {
    "display",         "geometry",           "icon",          "name",
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "style",           "stylesheet",         "title",         "visual"};
constexpr std::string_view kQtFlags[] = {"dograb", "nograb",      "reverse",
                                         "sync",   "testability", "widgetcount"};
// These also come as -name=value.
constexpr std::string_view kQtOptionsWithEquals[] = {"style=", "stylesheet=", "qmljsdebugger="};

// The option without its one or two dashes, or "" for an argument that is no option.
std::string_view OptionName(std::string_view argument) {
    if (argument.size() < 2 || argument[0] != '-') {
        return {};
    }
    argument.remove_prefix(argument[1] == '-' ? 2 : 1);
    return argument;
}

template <std::size_t N> bool IsOneOf(std::string_view name, const std::string_view (&names)[N]) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

} // namespace

CommandLineSwitches ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineSwitches result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const std::string_view option = OptionName(argument);
        if (IsOneOf(option, kQtOptionsWithValue)) {
            // Taken whole, as Qt takes it: "-session /home/ann/min" holds no switch.
            if (i + 1 < arguments.size()) {
                ++i;
            } else {
                result.errors.push_back(argument + " needs a value (see tarnwick --help)");
            }
            continue;
        }
        if (IsOneOf(option, kQtFlags) ||
            std::any_of(std::begin(kQtOptionsWithEquals), std::end(kQtOptionsWithEquals),
                        [&](std::string_view prefix) { return option.rfind(prefix, 0) == 0; })) {
            continue;
        }
        // "--dir" as tarnwick-cli spells it, or "--data-dir".
        if (argument == "--dir" || argument == "--data-dir") {
            if (i + 1 < arguments.size()) {
                // Taken whole: the directory is a path and is not searched for switches.
                result.dataDirectory = arguments[++i];
            } else {
                result.errors.push_back(argument + " needs a directory");
            }
            continue;
        }
        const std::size_t equals = argument.find('=');
        if (equals != std::string::npos && (argument.compare(0, equals, "--dir") == 0 ||
                                            argument.compare(0, equals, "--data-dir") == 0)) {
            result.dataDirectory = argument.substr(equals + 1);
            if (result.dataDirectory.empty()) {
                result.errors.push_back(argument.substr(0, equals) + " needs a directory");
            }
            continue;
        }
        if (argument == "--edit-zones") {
            result.editZones = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            result.help = true;
            continue;
        }
        if (argument == "--version") {
            result.version = true;
            continue;
        }
        // The switches have always been found as case-sensitive substrings.
        const bool hide = argument == "--hide" || argument.find("/hide") != std::string::npos;
        const bool minimize = argument == "--min" || argument.find("/min") != std::string::npos;
        result.hide = result.hide || hide;
        result.minimize = result.minimize || minimize;
        if (!hide && !minimize && !argument.empty() && argument.front() == '-') {
            result.errors.push_back("unknown option " + argument + " (see tarnwick --help)");
        }
    }
    return result;
}

std::vector<std::string> LoginArguments(const CommandLineSwitches& switches) {
    if (switches.dataDirectory.empty()) {
        return {};
    }
    std::error_code error; // the directory as given, should the working directory be gone
    const std::filesystem::path absolute = std::filesystem::absolute(switches.dataDirectory, error);
    return {"--dir", error ? switches.dataDirectory : absolute.lexically_normal().string()};
}

const char* ClockUsageText() {
    return "Usage: tarnwick [--hide | --min] [--dir DIR] [QT-OPTION...]\n"
           "       tarnwick --edit-zones [--dir DIR]\n"
           "A desktop clock with three zones that keeps the computer's clock right.\n"
           "\n"
           "  --hide, /hide           start hidden behind the notification-area icon\n"
           "  --min, /min             start minimised\n"
           "  --edit-zones            open the preset-zone editor on its own\n"
           "  --dir DIR, --data-dir DIR\n"
           "                          keep the settings and the zone database in DIR\n"
           "  -h, --help              print this help and end\n"
           "  --version               print the version and end\n"
           "  -style STYLE, -platform NAME, -display DISPLAY, -session ID, -geometry GEOMETRY,\n"
           "  -reverse and Qt's other standard options are accepted and passed to Qt\n"
           "\n"
           "tarnwick-cli does the same from scripts; see tarnwick(1) and tarnwick-cli(1).\n";
}

} // namespace tarnwick
