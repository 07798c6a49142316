// The clock: start-up is CClockApp's; this file only answers --help and --version, which need
// no display, and hands it the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "app/clock_app.h"
#include "platform/product.h"
#include "startup/command_line.h"

int main(int argc, char** argv) {
    const tarnwick::CommandLineSwitches switches = tarnwick::ParseCommandLine(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!switches.errors.empty()) {
        for (const std::string& error : switches.errors) {
            std::fprintf(stderr, "tarnwick: %s\n", error.c_str());
        }
        return tarnwick::CClockApp::kExitBadArguments;
    }
    if (switches.help) {
        std::fputs(tarnwick::ClockUsageText(), stdout);
        return 0;
    }
    if (switches.version) {
        std::printf("tarnwick %s\n", tarnwick::kProductVersion);
        return 0;
    }
    if (!tarnwick::CClockApp::CheckDisplay(argc, argv)) {
        return tarnwick::CClockApp::kExitNoDisplay;
    }
    tarnwick::CClockApp app(argc, argv);
    return app.Run();
}
