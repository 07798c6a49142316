#include "platform/xdg_run_at_login.h"

#include <string_view>

#include "platform/atomic_file.h"
#include "platform/paths.h"

namespace tarnwick {

XdgRunAtLogin::XdgRunAtLogin(std::string autostartDirectory)
    : m_directory(std::move(autostartDirectory)) {}

std::string XdgRunAtLogin::Directory() const {
    return m_directory.empty() ? XdgConfigHome() + "/autostart" : m_directory;
}

std::string XdgRunAtLogin::EntryPath(const std::string& name) const {
    std::string file;
    for (char c : name) {
        file += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return Directory() + "/" + file + ".desktop";
}

std::string XdgRunAtLogin::ExecArgument(const std::string& programPath) {
    // Characters that make an Exec argument need quoting; inside the quotes '"', '`', '$'
    // and '\' take a backslash. The string value then escapes each '\' once more, and '%'
    // (a field code) is doubled.
    constexpr std::string_view kReserved = " \t\"'\\><~|&;$*?#()`";
    const bool quote = programPath.find_first_of(kReserved) != std::string::npos;
    std::string argument;
    for (char c : programPath) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            argument += '\\';
        }
        argument += c;
    }
    std::string escaped;
    for (char c : argument) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '%') {
            escaped += "%%";
        } else {
            escaped += c;
        }
    }
    return quote ? "\"" + escaped + "\"" : escaped;
}

std::string XdgRunAtLogin::DesktopEntry(const std::string& name, bool enabled,
                                        const std::string& programPath) {
    const char* on = enabled ? "true" : "false";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           name +
           "\n"
           "Comment=Desktop clock that keeps the computer's time right\n"
           "Exec=" +
           ExecArgument(programPath) +
           "\n"
           "Icon=tarnwick\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=" +
           on + "\nHidden=" + (enabled ? "false" : "true") + "\n";
}

bool XdgRunAtLogin::WriteRunValue(const std::string& name, bool enabled,
                                  const std::string& programPath) {
    m_lastError.clear();
    if (programPath.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos ||
        name.find_first_of(std::string_view("/\r\n\0", 4)) != std::string::npos || name.empty()) {
        m_lastError = "cannot write the autostart entry: the name or program path \"" +
                      programPath + "\" holds a line break or another unusable character";
        return false;
    }
    if (!MakeDirectories(Directory(), &m_lastError)) {
        return false;
    }
    return WriteFileAtomically(EntryPath(name), DesktopEntry(name, enabled, programPath),
                               &m_lastError);
}

} // namespace tarnwick
