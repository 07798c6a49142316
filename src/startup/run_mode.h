// What the main window does when it starts and when the user closes it, by the run mode
// (RUNOPTION) and the "/hide" and "/min" switches.
#pragma once

#include "startup/command_line.h"

namespace tarnwick {

enum class WindowAction {
    ShowNormally, // at start: the start-up pictures, then the window, centred
    Minimize,
    HideToTray,
    EndProgram, // at close only
};

struct RunModeDecision {
    WindowAction action = WindowAction::ShowNormally;
    // Hiding was asked for but no notification area exists: the window is minimised instead,
    // since a hidden window without an icon could never be reached again.
    bool trayMissing = false;
};

// First match wins: "/hide", "/min", RUNOPTION hidden, RUNOPTION minimised, otherwise normal
// (any other RUNOPTION value counts as normal).
RunModeDecision RunModeAtStart(int runOption, const CommandLineSwitches& switches,
                               bool trayAvailable);

// First match wins: "/hide", RUNOPTION hidden, RUNOPTION minimised, otherwise the program
// ends. "/min" does not change the close action.
RunModeDecision RunModeAtClose(int runOption, const CommandLineSwitches& switches,
                               bool trayAvailable);

} // namespace tarnwick
