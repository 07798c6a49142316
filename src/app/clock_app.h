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
    };

    CClockApp(int& argc, char** argv);
    ~CClockApp();

    int Run();
    const CommandLineSwitches& Switches() const { return m_switches; }

private:
    int RunZoneEditorAlone(IMessageBox& messages);

    QApplication m_application;
    CommandLineSwitches m_switches;
};

} // namespace tarnwick
