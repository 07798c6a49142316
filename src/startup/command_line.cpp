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
        // The switches have always been found as case-sensitive substrings.
        if (argument == "--hide" || argument.find("/hide") != std::string::npos) {
            result.hide = true;
        }
        if (argument == "--min" || argument.find("/min") != std::string::npos) {
            result.minimize = true;
        }
    }
    return result;
}

} // namespace tarnwick
