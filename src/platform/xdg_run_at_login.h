// Start at login on freedesktop desktops: the autostart entry
// $XDG_CONFIG_HOME/autostart/tarnwick.desktop. Turning it off keeps the entry, marked
// Hidden=true, rather than deleting it. The entry names the menu entry's icon and texts, asks
// the session to skip it once the program is gone (TryExec, e.g. after the package's purge),
// and asks panels to start it after the notification area is up.
#pragma once

#include <string>
#include <vector>

#include "platform/run_at_login.h"

namespace tarnwick {

class XdgRunAtLogin final : public IRunAtLogin {
public:
    // autostartDirectory: where the entry goes; empty means $XDG_CONFIG_HOME/autostart.
    // arguments: what the program is started with after its path (e.g. --dir DIR).
    explicit XdgRunAtLogin(std::string autostartDirectory = {},
                           std::vector<std::string> arguments = {});

    // Writes <directory>/<lower-case name>.desktop atomically. False when the directory or
    // the entry cannot be written, or the path or an argument cannot be expressed in an Exec
    // line (a line break); LastError() then says why.
    bool WriteRunValue(const std::string& name, bool enabled,
                       const std::string& programPath) override;

    const std::string& LastError() const { return m_lastError; }
    std::string EntryPath(const std::string& name) const;

    // The entry's text, and one Exec argument (quoted and escaped by the desktop entry rules
    // when it holds a blank or another reserved character).
    static std::string DesktopEntry(const std::string& name, bool enabled,
                                    const std::string& programPath,
                                    const std::vector<std::string>& arguments = {});
    static std::string ExecArgument(const std::string& argument);

    // The menu entry's Comment, which the login entry repeats.
    static constexpr const char* kComment =
        "Three clocks and a time-server check that keeps the computer's clock right";

private:
    std::string Directory() const;

    std::string m_directory;
    std::vector<std::string> m_arguments;
    std::string m_lastError;
};

} // namespace tarnwick
