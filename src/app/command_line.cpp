#include "app/command_line.h"

namespace tarnwick {

CommandLineSwitches ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineSwitches result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--data-dir") {
            if (i + 1 < arguments.size()) {
                // Taken whole: the directory is a path and is not searched for switches.
                result.dataDirectory = arguments[++i];
            } else {
                result.errors.push_back("--data-dir needs a directory");
            }
            continue;
        }
        if (argument.rfind("--data-dir=", 0) == 0) {
            result.dataDirectory = argument.substr(11);
            if (result.dataDirectory.empty()) {
                result.errors.push_back("--data-dir needs a directory");
            }
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
