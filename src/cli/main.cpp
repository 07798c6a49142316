// tarnwick-cli entry point: global options, then the command table.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/product.h"
#include "update/update_checker.h"
#include "update/update_site.h"
#include "zones/date_time.h"

namespace tarnwick::cli {

namespace {

// Every command, in the order --help lists them.
const std::vector<const Command*>& Commands() {
    static const std::vector<const Command*> commands = {
        &kSettingsCommand,    &kLocalCommand,   &kDisplayCommand, &kZonesCommand,
        &kZoneTimeCommand,    &kCheckCommand,   &kStatusCommand,  &kConvertCommand,
        &kUpdateCheckCommand, &kPresetsCommand,
    };
    return commands;
}

void PrintHelp(std::FILE* out) {
    std::fprintf(out, "Usage: tarnwick-cli [--dir DIR] COMMAND [ARGS...]\n"
                      "\n"
                      "The Tarnwick clock's engine for scripts and headless machines.\n"
                      "Output is plain text, one item per line; errors go to stderr with a\n"
                      "non-zero exit status (1: not found or failed, 2: wrong usage).\n"
                      "\n"
                      "Global options:\n"
                      "  --dir DIR   data directory holding ClockInfo.dat and timezones.mdb\n"
                      "              (default: the directory the clock itself uses)\n"
                      "  --help      this text\n"
                      "  --version   the program's version\n"
                      "\n"
                      "Instants are written YYYY-MM-DDTHH:MM:SSZ (UTC).\n"
                      "\n"
                      "Commands:\n");
    for (const Command* c : Commands()) {
        std::fprintf(out, "%s\n", c->usage);
    }
}

} // namespace

std::optional<std::string> TakeOption(std::vector<std::string>& args, const std::string& name,
                                      std::string& error) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == name) {
            if (it + 1 == args.end()) {
                error = "option " + name + " needs a value";
                args.erase(it);
                return std::nullopt;
            }
            std::string value = *(it + 1);
            args.erase(it, it + 2);
            return value;
        }
        if (it->rfind(name + "=", 0) == 0) {
            std::string value = it->substr(name.size() + 1);
            args.erase(it);
            return value;
        }
    }
    return std::nullopt;
}

bool TakeFlag(std::vector<std::string>& args, const std::string& name) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end()) {
        return false;
    }
    args.erase(it);
    return true;
}

std::optional<std::int64_t> ParseUtcInstant(const std::string& text) {
    int y, mo, d, h, mi, s;
    char tail = 0;
    // Digits in every place but the separators: sscanf alone would take "+7" or " 1".
    static constexpr const char* kShape = "dddd-dd-ddTdd:dd:ddZ";
    for (std::size_t i = 0; i < text.size() && i < 20; ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if ((kShape[i] == 'd') != digit) {
            return std::nullopt;
        }
    }
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ%c", &y, &mo, &d, &h, &mi, &s, &tail) !=
            6 ||
        text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
        text[19] != 'Z') {
        return std::nullopt;
    }
    DateTime utc(y, mo, d, h, mi, s);
    if (!utc.IsValid()) {
        return std::nullopt;
    }
    return utc.ToUnixSeconds();
}

std::unique_ptr<IClock> TakeClock(const std::string& command, std::vector<std::string>& args,
                                  int& status) {
    std::string error;
    const std::optional<std::string> at = TakeOption(args, "--at", error);
    if (!error.empty()) {
        status = UsageError(command, error);
        return nullptr;
    }
    if (!at) {
        return std::make_unique<FixedClock>(SystemClock::Instance().NowUnixSeconds());
    }
    const std::optional<std::int64_t> instant = ParseUtcInstant(*at);
    if (!instant) {
        status = UsageError(command, "--at wants YYYY-MM-DDTHH:MM:SSZ, not '" + *at + "'");
        return nullptr;
    }
    return std::make_unique<FixedClock>(*instant);
}

std::optional<long long> ParseInteger(const std::string& text, long long min, long long max) {
    // Only "-"? digits: strtoll alone would take leading blanks and a '+'.
    const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits ||
        text.find_first_not_of("0123456789", digits) != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0' || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

int UsageError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "tarnwick-cli %s: %s (see tarnwick-cli --help)\n", command.c_str(),
                 message.c_str());
    return kUsage;
}

} // namespace tarnwick::cli

int main(int argc, char** argv) {
    using namespace tarnwick;
    using namespace tarnwick::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;

    if (args.empty() || TakeFlag(args, "--help") || TakeFlag(args, "-h")) {
        PrintHelp(args.empty() && argc == 1 ? stderr : stdout);
        return argc == 1 ? kUsage : kOk;
    }
    if (TakeFlag(args, "--version")) {
        std::printf("tarnwick-cli %s\n", kProductVersion);
        const std::string site = BuiltInUpdateSite();
        if (site.empty()) {
            std::printf("update check: off (built without an update site)\n");
        } else {
            std::printf("update check: daily, from %s\n", UpdateInfoUrl(site).c_str());
        }
        return kOk;
    }
    std::optional<std::string> dir;
    // Only options before the command are global.
    if (!args.empty() && (args[0] == "--dir" || args[0].rfind("--dir=", 0) == 0)) {
        dir = TakeOption(args, "--dir", error);
        if (!error.empty()) {
            return UsageError("", error);
        }
        if (dir->empty()) {
            return UsageError("", "--dir needs a directory");
        }
    }
    if (args.empty()) {
        return UsageError("", "no command given");
    }
    const std::string name = args.front();
    args.erase(args.begin());

    for (const Command* command : Commands()) {
        if (name == command->name) {
            Context context;
            try {
                context.paths = dir ? DataPathsIn(*dir) : DefaultDataPaths();
                context.args = std::move(args);
                return command->run(context);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "tarnwick-cli %s: %s\n", name.c_str(), e.what());
                return kFailure;
            }
        }
    }
    std::fprintf(stderr, "tarnwick-cli: unknown command '%s' (see tarnwick-cli --help)\n",
                 name.c_str());
    return kUsage;
}
