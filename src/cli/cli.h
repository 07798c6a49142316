// tarnwick-cli: the clock's engine for scripts and headless machines. Each command lives in
// its own file; main.cpp's table lists them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/paths.h"

namespace tarnwick::cli {

enum ExitCode : int { kOk = 0, kNotFound = 1, kFailure = 1, kUsage = 2 };

struct Context {
    DataPaths paths;               // --dir, or the clock's own directories
    std::vector<std::string> args; // the command's arguments, after its name
};

struct Command {
    const char* name;  // first word on the command line
    const char* usage; // lines for --help, each starting with the command's name
    int (*run)(Context& context);
};

// The commands, each defined beside its handler in its cmd_*.cpp file; main.cpp lists them all
// in one table, in the order of --help.
extern const Command kSettingsCommand;
extern const Command kLocalCommand;
extern const Command kDisplayCommand;
extern const Command kZonesCommand;
extern const Command kZoneTimeCommand;
extern const Command kCheckCommand;
extern const Command kStatusCommand;
extern const Command kConvertCommand;
extern const Command kUpdateCheckCommand;
extern const Command kPresetsCommand;

// Shared option handling.
// Removes "--name VALUE" from args; returns the value, or nullopt when absent. Sets error when
// the option is given without a value.
std::optional<std::string> TakeOption(std::vector<std::string>& args, const std::string& name,
                                      std::string& error);
bool TakeFlag(std::vector<std::string>& args, const std::string& name);
// "YYYY-MM-DDTHH:MM:SSZ" to seconds since 1970 (UTC).
std::optional<std::int64_t> ParseUtcInstant(const std::string& text);
// Takes --at INSTANT from args: a clock standing still at that instant, or at the moment of the
// call when --at is absent. On a usage error returns nullptr and sets status.
std::unique_ptr<IClock> TakeClock(const std::string& command, std::vector<std::string>& args,
                                  int& status);
// A whole decimal number in [min, max], nothing else; nullopt otherwise.
std::optional<long long> ParseInteger(const std::string& text, long long min, long long max);
// Reports a usage error for a command on stderr and returns kUsage.
int UsageError(const std::string& command, const std::string& message);

} // namespace tarnwick::cli
