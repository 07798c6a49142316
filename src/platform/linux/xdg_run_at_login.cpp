#include "platform/xdg_run_at_login.h"

#include <string_view>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/product.h"

namespace tarnwick {

XdgRunAtLogin::XdgRunAtLogin(std::string autostartDirectory, std::vector<std::string> arguments)
    : m_directory(std::move(autostartDirectory)), m_arguments(std::move(arguments)) {}

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

namespace {

// Backslashes as a string value of a desktop entry writes them: twice.
std::string EscapeBackslashes(const std::string& text) {
    std::string value;
    for (char c : text) {
        value += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return value;
}

// A whole string value: a blank that would start it (and be taken for padding) is "\s".
std::string StringValue(const std::string& text) {
    const std::string value = EscapeBackslashes(text);
    return !value.empty() && value.front() == ' ' ? "\\s" + value.substr(1) : value;
}

bool HoldsLineBreakOrNul(const std::string& text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

} // namespace

std::string XdgRunAtLogin::ExecArgument(const std::string& text) {
    // An argument holding a reserved character is quoted; inside the quotes '"', '`', '$'
    // and '\' take a backslash. '%' starts a field code anywhere and is doubled. The whole
    // line is then a string value, which writes each '\' twice.
    constexpr std::string_view kReserved = " \t\"'\\><~|&;$*?#()`";
    const bool quote = text.empty() || text.find_first_of(kReserved) != std::string::npos;
    std::string argument;
    for (char c : text) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            argument += '\\';
        }
        argument += c == '%' ? std::string("%%") : std::string(1, c);
    }
    argument = EscapeBackslashes(argument);
    return quote ? "\"" + argument + "\"" : argument;
}

std::string XdgRunAtLogin::DesktopEntry(const std::string& name, bool enabled,
                                        const std::string& programPath,
                                        const std::vector<std::string>& arguments) {
    std::string exec = ExecArgument(programPath);
    for (const std::string& argument : arguments) {
        exec += " " + ExecArgument(argument);
    }
    const std::string on = enabled ? "true" : "false";
    const std::pair<const char*, std::string> keys[] = {
        {"Type", "Application"},
        {"Name", name},
        {"Comment", kComment},
        {"Exec", exec},
        {"TryExec", StringValue(programPath)}, // gone after an uninstall: the session skips it
        {"Icon", kApplicationId},
        {"Terminal", "false"},
        {"X-GNOME-Autostart-enabled", on},
        // Started after the panel, so that a hidden clock finds its notification area.
        {"X-GNOME-Autostart-Delay", "2"},
        {"X-KDE-autostart-after", "panel"},
        {"X-LXQt-Need-Tray", "true"},
        {"Hidden", enabled ? "false" : "true"},
    };
    std::string text = "[Desktop Entry]\n";
    for (const auto& [key, value] : keys) {
        text += std::string(key) + "=" + value + "\n";
    }
    return text;
}

bool XdgRunAtLogin::WriteRunValue(const std::string& name, bool enabled,
                                  const std::string& programPath) {
    m_lastError.clear();
    bool unusable = HoldsLineBreakOrNul(programPath) || HoldsLineBreakOrNul(name) ||
                    name.find('/') != std::string::npos || name.empty();
    for (const std::string& argument : m_arguments) {
        unusable = unusable || HoldsLineBreakOrNul(argument);
    }
    if (unusable) {
        m_lastError = "cannot write the autostart entry: the name, the program path \"" +
                      programPath +
                      "\" or an argument holds a line break or another unusable "
                      "character";
        return false;
    }
    if (!MakeDirectories(Directory(), &m_lastError)) {
        return false;
    }
    return WriteFileAtomically(EntryPath(name),
                               DesktopEntry(name, enabled, programPath, m_arguments), &m_lastError);
}

} // namespace tarnwick
