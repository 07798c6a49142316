// The application: from process start to the main window's modal run and back out.
//   tilde refusal -> single instance -> database engine -> main window. (Sockets need no
//   set-up here, so there is no network step.)
#pragma once

#include <QApplication>

#include <memory>

#include "startup/command_line.h"

namespace tarnwick {

class IMessageBox;

class CClockApp {
public:
    // Exit statuses of Run().
    enum : int {
        kExitNormal = 0,          // the window closed, or another copy was asked to open
        kExitRefusedPath = 1,     // the program path holds a '~'
        kExitAnotherInstance = 1, // another copy holds the lock and did not answer
        kExitNoDatabase = 1,      // the database engine does not work
        kExitBadArguments = 2,
        kExitNotSaved = 1, // --edit-zones: the chosen zone could not be written
        kExitNoDisplay = 1,
    };

    // Whether a window can be opened here: a display to connect to (DISPLAY, WAYLAND_DISPLAY or
    // a platform named with QT_QPA_PLATFORM or -platform). When not, says so on stderr. Also
    // turns the platform plugin's abort at start-up into that message and exit status 1.
    static bool CheckDisplay(int argc, char** argv);

    CClockApp(int& argc, char** argv);
    ~CClockApp();

    int Run();
    const CommandLineSwitches& Switches() const { return m_switches; }

private:
    int RunZoneEditorAlone(IMessageBox& messages);

    QString m_activationToken; // read before the application object starts the platform
    QApplication m_application;
    CommandLineSwitches m_switches;
};

} // namespace tarnwick
