// tarnwick-cli local, tarnwick-cli display: the clock's lines for a given instant.
#include <cstdio>
#include <memory>

#include "cli/cli.h"
#include "display/display_text.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "settings/clock_settings.h"
#include "zones/local_time_info.h"
#include "zones/zone_clock.h"

namespace tarnwick::cli {

namespace {

int RunLocal(Context& context) {
    int status = kOk;
    const std::unique_ptr<IClock> clock = TakeClock("local", context.args, status);
    if (!clock) {
        return status;
    }
    if (!context.args.empty()) {
        return UsageError("local", "unexpected argument '" + context.args.front() + "'");
    }
    std::unique_ptr<ILocalZone> zone = MakeSystemLocalZone();
    CLocalTimeInfo local(*clock, *zone);
    const DateTime localNow = local.GetNowLocal();
    const DateTime gmtNow = local.GetNowUtc();
    const std::int32_t offset = local.GetLocalOffsetMinutes();
    std::printf("%s\n%d\n%s\n%s\n", FormatOffsetLabel(local.GetLocalZoneName(), offset).c_str(),
                offset, FormatClockTime(localNow).c_str(), FormatClockTime(gmtNow).c_str());
    return kOk;
}

int RunDisplay(Context& context) {
    int status = kOk;
    const std::unique_ptr<IClock> clock = TakeClock("display", context.args, status);
    if (!clock) {
        return status;
    }
    std::string error;
    TimeSyncSnapshot sync;
    if (auto text = TakeOption(context.args, "--status", error)) {
        const std::optional<long long> value =
            ParseInteger(*text, StatusNotSynchronized, StatusSynchronized);
        if (!value) {
            return UsageError("display", "--status wants a number (0 to 3), not '" + *text + "'");
        }
        sync.status = static_cast<SyncStatusValue>(*value);
    }
    if (auto text = TakeOption(context.args, "--server", error)) {
        sync.currentServer = *text;
    }
    if (auto text = TakeOption(context.args, "--difference", error)) {
        const std::optional<long long> value = ParseInteger(*text, -3153600000LL, 3153600000LL);
        if (!value) {
            return UsageError("display", "--difference wants whole seconds, not '" + *text + "'");
        }
        sync.differenceSeconds = *value;
    }
    if (!error.empty()) {
        return UsageError("display", error);
    }
    if (!context.args.empty()) {
        return UsageError("display", "unexpected argument '" + context.args.front() + "'");
    }

    ClockSettings settings;
    LoadSettings(context.paths.settingsDirectory, settings, nullptr);
    std::unique_ptr<ILocalZone> zone = MakeSystemLocalZone();
    StderrMessageBox messages;
    CLocalTimeInfo local(*clock, *zone);
    CZoneClock other(*clock, *zone);
    other.ConnectDatabase(context.paths.dataDirectory, messages);
    other.LoadZone(settings.timeZoneId);

    StatusBlock block;
    const ClockTimes times = ReadClockTimes(local, other);
    const std::string text = BuildDisplayText(times, block.Next(sync, false, std::string()));
    std::fwrite(text.data(), 1, text.size(), stdout);
    // The computer's zone stands in, as in the window, but a script learns of the fault.
    const std::string problem = other.DatabaseProblem();
    if (!problem.empty()) {
        std::fprintf(stderr, "tarnwick-cli display: %s\n", problem.c_str());
        return kFailure;
    }
    return kOk;
}

} // namespace

constinit const Command kLocalCommand{
    "local",
    "  local [--at INSTANT]\n"
    "      The computer's zone at INSTANT (default now): the label as\n"
    "      the clock shows it, the offset in minutes, the local time and\n"
    "      the GMT time, one per line.",
    &RunLocal};

constinit const Command kDisplayCommand{
    "display",
    "  display [--at INSTANT] [--status N] [--server NAME] [--difference SECONDS]\n"
    "      The main window's display text for that instant and synchronisation status\n"
    "      (0 not synchronised, 1 checking, 2 difference found, 3 clock set), with CR LF\n"
    "      line ends, using the settings and zone database of the data directory.",
    &RunDisplay};

} // namespace tarnwick::cli
