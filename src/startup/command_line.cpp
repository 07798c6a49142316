#include "startup/command_line.h"

namespace tarnwick {

CommandLineSwitches ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineSwitches result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
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

const char* ClockUsageText() {
    return "Usage: tarnwick [--hide | --min] [--dir DIR]\n"
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
           "\n"
           "tarnwick-cli does the same from scripts; see tarnwick(1) and tarnwick-cli(1).\n";
}

} // namespace tarnwick
