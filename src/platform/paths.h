// Where the program and its files are.
#pragma once

#include <string>

namespace tarnwick {

struct DataPaths {
    std::string settingsDirectory; // ClockInfo.dat
    std::string dataDirectory;     // timezones.mdb, update files
};

// The real path of the running executable (/proc/self/exe), e.g. /opt/tarnwick/tarnwick.
std::string ExecutablePath();
std::string ExecutableDirectory();
// The directory part of a path: "/a/b" -> "/a", "/b" -> "/", "b" -> ".".
std::string DirectoryOf(const std::string& path);

// The executable's own directory when it is writable (portable use); otherwise
// $XDG_CONFIG_HOME/tarnwick for settings and $XDG_DATA_HOME/tarnwick for data (created).
DataPaths DefaultDataPaths();
// The same choice for a given executable directory. The system program directories (/usr/bin
// and the like) never count as portable, even for root who may write to them.
DataPaths DefaultDataPathsFor(const std::string& executableDirectory);
// $XDG_CONFIG_HOME (an absolute path) or $HOME/.config, and $XDG_DATA_HOME or
// $HOME/.local/share; HOME falls back to the password database.
std::string XdgConfigHome();
std::string XdgDataHome();
// Where an installed copy keeps its shipped files: PREFIX/share/tarnwick for an executable in
// PREFIX/bin, when the preset database is there; empty otherwise.
std::string InstalledDataDirectoryFor(const std::string& executableDirectory);
// Where the preset database the program ships lies: beside the executable (a build tree or a
// portable copy), else the installed data directory; empty when neither has one.
std::string ShippedDataDirectory();
// Both kinds of file in one directory chosen by the user (created when missing).
DataPaths DataPathsIn(const std::string& directory);

// True when the program path holds a '~' and must not run; text is the message to show.
bool IsRefusedProgramPath(const std::string& executablePath, std::string& message);

} // namespace tarnwick
