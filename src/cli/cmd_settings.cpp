// tarnwick-cli settings: list, read and change the clock's settings file.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "settings/clock_settings.h"
#include "settings/profile_file.h"

namespace tarnwick::cli {

namespace {

constexpr const char* kName = "settings";

// "settings list": exactly the clock's load, so the file gains every missing key. A file that
// cannot be written is reported but does not fail the command, since the values printed are
// the ones the clock would use; a file that exists but cannot be used fails it (exit 1), since
// the values printed are then only the defaults.
int List(Context& context) {
    if (!context.args.empty()) {
        return UsageError("settings list", "unexpected argument '" + context.args[0] + "'");
    }
    ClockSettings settings;
    std::string writeError;
    std::string readError;
    LoadSettings(context.paths.settingsDirectory, settings, nullptr, &writeError, &readError);
    for (const SettingText& s : SettingsInLoadOrder(settings)) {
        std::printf("%s/%s=%s\n", s.section, s.key, s.value.c_str());
    }
    std::fflush(stdout);
    if (!readError.empty()) {
        std::fprintf(stderr, "tarnwick-cli settings list: %s\n", readError.c_str());
        return kFailure;
    }
    if (!writeError.empty()) {
        std::fprintf(stderr, "tarnwick-cli settings list: %s (settings not saved)\n",
                     writeError.c_str());
    }
    return kOk;
}

// Takes "--file PATH" or falls back to the settings file of the data directory.
bool SettingsPath(Context& context, const std::string& command, std::string& path, int& exit) {
    std::string error;
    std::optional<std::string> file = TakeOption(context.args, "--file", error);
    if (!error.empty() || (file && file->empty())) {
        exit = UsageError(command, error.empty() ? "--file needs a path" : error);
        return false;
    }
    path = file ? *file : SettingsFilePath(context.paths.settingsDirectory);
    return true;
}

// "settings get": the value as the clock reads it, without the clock's write-back.
int Get(Context& context) {
    std::string path;
    int exit = kOk;
    if (!SettingsPath(context, "settings get", path, exit)) {
        return exit;
    }
    if (context.args.size() != 2) {
        return UsageError("settings get", "expected SECTION KEY");
    }
    std::string value;
    std::string error;
    switch (ReadProfileValue(path, context.args[0], context.args[1], value, &error)) {
    case ProfileLookup::Found:
        std::printf("%s\n", value.c_str());
        return kOk;
    case ProfileLookup::Absent:
        return kNotFound;
    case ProfileLookup::Unreadable:
        std::fprintf(stderr, "tarnwick-cli settings get: cannot read %s\n", error.c_str());
        return kFailure;
    }
    return kFailure;
}

int Set(Context& context) {
    std::string path;
    int exit = kOk;
    if (!SettingsPath(context, "settings set", path, exit)) {
        return exit;
    }
    if (context.args.size() != 3) {
        return UsageError("settings set", "expected SECTION KEY VALUE");
    }
    std::string error;
    if (!WriteProfileString(path, context.args[0], context.args[1], context.args[2], &error)) {
        std::fprintf(stderr, "tarnwick-cli settings set: %s\n", error.c_str());
        return kFailure;
    }
    return kOk;
}

int Run(Context& context) {
    if (context.args.empty()) {
        return UsageError(kName, "expected list, get or set");
    }
    const std::string sub = context.args.front();
    context.args.erase(context.args.begin());
    if (sub == "list") {
        return List(context);
    }
    if (sub == "get") {
        return Get(context);
    }
    if (sub == "set") {
        return Set(context);
    }
    return UsageError(kName, "unknown subcommand '" + sub + "' (expected list, get or set)");
}

} // namespace

constinit const Command kSettingsCommand{
    kName,
    "  settings list\n"
    "      The 17 settings as the clock loads them, SECTION/KEY=value in load order;\n"
    "      adds missing keys with their defaults to DIR/ClockInfo.dat, as the clock does.\n"
    "  settings get [--file PATH] SECTION KEY\n"
    "      The stored value as the clock reads it (exit 1: no such key); writes nothing.\n"
    "  settings set [--file PATH] SECTION KEY VALUE\n"
    "      Stores VALUE under SECTION/KEY (default file: DIR/ClockInfo.dat).",
    &Run};

} // namespace tarnwick::cli
