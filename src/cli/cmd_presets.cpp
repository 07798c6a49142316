// tarnwick-cli presets generate | presets build: the preset zones the clock ships, generated
// from the system's time-zone database and built into a database file.
#include <cstdio>

#include "cli/cli.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "tools/preset_zones.h"
#include "zones/date_time.h"

namespace tarnwick::cli {

namespace {

int RunGenerate(Context& context) {
    std::string error;
    const std::string zoneinfo =
        TakeOption(context.args, "--zoneinfo", error).value_or("/usr/share/zoneinfo");
    const std::optional<std::string> yearText = TakeOption(context.args, "--year", error);
    if (!error.empty()) {
        return UsageError("presets generate", error);
    }
    if (!context.args.empty()) {
        return UsageError("presets generate", "unexpected argument '" + context.args[0] + "'");
    }
    int year = DateTime::FromUnixSeconds(SystemClock::Instance().NowUnixSeconds()).GetYear();
    if (yearText) {
        char tail = 0;
        if (std::sscanf(yearText->c_str(), "%d%c", &year, &tail) != 1 || year < 1971 ||
            year > 2999) {
            return UsageError("presets generate", "--year wants a year, not '" + *yearText + "'");
        }
    }
    PresetGeneration generation;
    if (!GeneratePresets(zoneinfo, year, generation, error)) {
        std::fprintf(stderr, "tarnwick-cli presets generate: %s\n", error.c_str());
        return kFailure;
    }
    std::fwrite(generation.sql.data(), 1, generation.sql.size(), stdout);
    std::fprintf(stderr, "%d preset rows; %zu zones left out:\n", generation.rows,
                 generation.excluded.size());
    for (const std::string& line : generation.excluded) {
        std::fprintf(stderr, "  %s\n", line.c_str());
    }
    return kOk;
}

int RunBuild(Context& context) {
    if (context.args.size() != 2) {
        return UsageError("presets build", "wants SEED.sql and OUT.mdb");
    }
    StderrMessageBox messages;
    std::string error;
    if (!BuildPresetDatabase(context.args[0], context.args[1], messages, error)) {
        std::fprintf(stderr, "tarnwick-cli presets build: %s\n", error.c_str());
        return kFailure;
    }
    return kOk;
}

int RunPresets(Context& context) {
    if (context.args.empty()) {
        return UsageError("presets", "wants 'generate' or 'build'");
    }
    const std::string sub = context.args.front();
    context.args.erase(context.args.begin());
    if (sub == "generate") {
        return RunGenerate(context);
    }
    if (sub == "build") {
        return RunBuild(context);
    }
    return UsageError("presets", "unknown subcommand '" + sub + "'");
}

} // namespace

constinit const Command kPresetsCommand{
    "presets",
    "  presets generate [--zoneinfo DIR] [--year YEAR]\n"
    "      Seed statements for the shipped preset zones, one row per distinct rule of the\n"
    "      time-zone database in DIR (default /usr/share/zoneinfo), checked against the C\n"
    "      library for YEAR (default this year); zones left out are listed on stderr.\n"
    "  presets build SEED.sql OUT.mdb\n"
    "      Builds a zone database from seed statements (OUT is replaced atomically).",
    &RunPresets};

} // namespace tarnwick::cli
