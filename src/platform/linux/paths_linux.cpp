// Linux: the program's path from /proc, data directories by the XDG base directory rules.
#include "platform/paths.h"

#include <array>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <string_view>
#include <unistd.h>

#include "platform/atomic_file.h"

namespace tarnwick {

namespace {

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return WithoutTrailingSlashes(home);
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return WithoutTrailingSlashes(pw->pw_dir);
    }
    return "/tmp";
}

// The XDG rules ignore a relative or empty value.
std::string XdgDirectory(const char* variable, const char* fallbackUnderHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return WithoutTrailingSlashes(value);
    }
    return HomeDirectory() + "/" + fallbackUnderHome;
}

bool IsSystemProgramDirectory(const std::string& directory) {
    static constexpr std::array<std::string_view, 9> kSystem = {
        "/bin",       "/sbin",        "/usr/bin", "/usr/sbin", "/usr/local/bin", "/usr/local/sbin",
        "/usr/games", "/usr/libexec", "/usr/lib"};
    for (std::string_view d : kSystem) {
        if (directory == d) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    if (::realpath("/proc/self/exe", buffer) != nullptr) {
        return buffer;
    }
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ExecutableDirectory() {
    return DirectoryOf(ExecutablePath());
}

std::string XdgConfigHome() {
    return XdgDirectory("XDG_CONFIG_HOME", ".config");
}
std::string XdgDataHome() {
    return XdgDirectory("XDG_DATA_HOME", ".local/share");
}

std::string InstalledDataDirectoryFor(const std::string& executableDirectory) {
    const std::string directory = WithoutTrailingSlashes(executableDirectory);
    if (directory.empty()) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path shared = std::filesystem::path(directory) / TARNWICK_BIN_TO_DATA;
    if (std::filesystem::is_regular_file(shared / "timezones.mdb", error)) {
        return shared.lexically_normal().string();
    }
    return {};
}

std::string ShippedDataDirectory() {
    const std::string executableDirectory = ExecutableDirectory();
    std::error_code error;
    if (std::filesystem::is_regular_file(
            std::filesystem::path(executableDirectory) / "timezones.mdb", error)) {
        return executableDirectory;
    }
    return InstalledDataDirectoryFor(executableDirectory);
}

DataPaths DefaultDataPathsFor(const std::string& executableDirectory) {
    const std::string directory = WithoutTrailingSlashes(executableDirectory);
    // An installed copy (its presets under PREFIX/share/tarnwick) is never portable, even when
    // its prefix is writable by the user.
    if (!directory.empty() && !IsSystemProgramDirectory(directory) &&
        InstalledDataDirectoryFor(directory).empty() && ::access(directory.c_str(), W_OK) == 0) {
        return DataPaths{directory, directory};
    }
    DataPaths paths{XdgConfigHome() + "/tarnwick", XdgDataHome() + "/tarnwick"};
    // A directory that cannot be made shows up later, in the message of the first write.
    MakeDirectories(paths.settingsDirectory);
    MakeDirectories(paths.dataDirectory);
    return paths;
}

DataPaths DefaultDataPaths() {
    return DefaultDataPathsFor(ExecutableDirectory());
}

DataPaths DataPathsIn(const std::string& directory) {
    const std::string d = WithoutTrailingSlashes(directory);
    MakeDirectories(d);
    return DataPaths{d, d};
}

bool IsRefusedProgramPath(const std::string& executablePath, std::string& message) {
    const std::size_t slash = executablePath.rfind('/');
    const std::string directory =
        slash == std::string::npos ? std::string() : executablePath.substr(0, slash);
    const std::string file =
        slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
    if (directory.find('~') == std::string::npos && file.find('~') == std::string::npos) {
        return false;
    }
    message = "Please run this program as intended.  The zero arguement of this program can "
              "not contain a tilda in the following fields directory:" +
              directory + " filename: " + file + "   Thank you.";
    return true;
}

} // namespace tarnwick
