// The clock: start-up is CClockApp's; this file only hands it the command line.
#include "app/clock_app.h"

int main(int argc, char** argv) {
    tarnwick::CClockApp app(argc, argv);
    return app.Run();
}
