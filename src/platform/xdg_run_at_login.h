// Start at login on freedesktop desktops: the autostart entry
// $XDG_CONFIG_HOME/autostart/tarnwick.desktop. Turning it off keeps the entry, marked
// Hidden=true, rather than deleting it.
#pragma once

#include <string>

#include "platform/run_at_login.h"

namespace tarnwick {

class XdgRunAtLogin final : public IRunAtLogin {
public:
    // autostartDirectory: where the entry goes; empty means $XDG_CONFIG_HOME/autostart.
    explicit XdgRunAtLogin(std::string autostartDirectory = {});

    // Writes <directory>/<lower-case name>.desktop atomically. False when the directory or
    // the entry cannot be written, or the path cannot be expressed in an Exec line (a line
    // break); LastError() then says why.
    bool WriteRunValue(const std::string& name, bool enabled,
                       const std::string& programPath) override;

    const std::string& LastError() const { return m_lastError; }
    std::string EntryPath(const std::string& name) const;

    // The entry's text, and the program path as an Exec argument (quoted and escaped by the
    // desktop entry rules when it holds a blank or another reserved character).
    static std::string DesktopEntry(const std::string& name, bool enabled,
                                    const std::string& programPath);
    static std::string ExecArgument(const std::string& programPath);

private:
    std::string Directory() const;

    std::string m_directory;
    std::string m_lastError;
};

} // namespace tarnwick
