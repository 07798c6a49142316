// The clock's command line. The program path is never searched: a path may well hold
// "/hide" or "/min" (/home/ann/hideout/tarnwick).
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

struct CommandLineSwitches {
    bool hide = false;               // "/hide" (anywhere in an argument) or "--hide"
    bool minimize = false;           // "/min" (anywhere in an argument) or "--min"
    bool editZones = false;          // "--edit-zones": open the preset-zone editor alone
    std::string dataDirectory;       // "--data-dir DIR": settings and data in DIR; empty: default
    bool help = false;               // "--help" or "-h": print the usage and end
    bool version = false;            // "--version": print the version and end
    std::vector<std::string> errors; // one line per argument that could not be used
};

// arguments: what follows the program path. Qt's standard options (-style S, -platform P,
// -display D, -session ID, ..., with one or two dashes) are left to QApplication, their values
// unsearched; an argument that starts with '-' and is none of those or of the switches above
// is an error; other arguments are searched for "/hide" and "/min" only.
CommandLineSwitches ParseCommandLine(const std::vector<std::string>& arguments);

// What the start-at-login entry repeats of the command line: --dir with the directory made
// absolute (the session starts the entry from another working directory).
std::vector<std::string> LoginArguments(const CommandLineSwitches& switches);

// What "tarnwick --help" prints: every option, one per line.
const char* ClockUsageText();

} // namespace tarnwick
