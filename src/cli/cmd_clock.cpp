// tarnwick-cli local, tarnwick-cli display: the clock's lines for a given instant.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/display_text.h"
#include "cli/cli.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "settings/clock_settings.h"
#include "zones/local_time_info.h"
#include "zones/zone_clock.h"

namespace tarnwick::cli {

namespace {

// Takes --at from the arguments; the clock stands still at that instant, or runs.
bool TakeClock(const char* command, Context& context, std::unique_ptr<IClock>& clock, int& status) {
    std::string error;
    std::optional<std::string> at = TakeOption(context.args, "--at", error);
    if (!error.empty()) {
        status = UsageError(command, error);
        return false;
    }
    if (at) {
        std::optional<std::int64_t> instant = ParseUtcInstant(*at);
        if (!instant) {
            status = UsageError(command, "--at wants YYYY-MM-DDTHH:MM:SSZ, not '" + *at + "'");
            return false;
        }
        clock = std::make_unique<FixedClock>(*instant);
    } else {
        clock = std::make_unique<FixedClock>(SystemClock::Instance().NowUnixSeconds());
    }
    return true;
}

bool ParseInteger(const std::string& text, long long& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

int RunLocal(Context& context) {
    std::unique_ptr<IClock> clock;
    int status = kOk;
    if (!TakeClock("local", context, clock, status)) {
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
    std::unique_ptr<IClock> clock;
    int status = kOk;
    if (!TakeClock("display", context, clock, status)) {
        return status;
    }
    std::string error;
    SyncSnapshot sync;
    if (auto text = TakeOption(context.args, "--status", error)) {
        long long value = 0;
        if (!ParseInteger(*text, value) || value < -1000 || value > 1000) {
            return UsageError("display", "--status wants a number (0 to 3), not '" + *text + "'");
        }
        sync.syncStatus = static_cast<int>(value);
    }
    if (auto text = TakeOption(context.args, "--server", error)) {
        sync.serverName = *text;
    }
    if (auto text = TakeOption(context.args, "--difference", error)) {
        long long value = 0;
        if (!ParseInteger(*text, value) || value < -3153600000LL || value > 3153600000LL) {
            return UsageError("display", "--difference wants whole seconds, not '" + *text + "'");
        }
        sync.differenceSeconds = value;
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
    return kOk;
}

const CommandRegistration kLocal{
    {"local",
     "  local [--at INSTANT]\n"
     "      The computer's zone at INSTANT (default now): the label as\n"
     "      the clock shows it, the offset in minutes, the local time and\n"
     "      the GMT time, one per line.",
     30, &RunLocal}};

const CommandRegistration kDisplay{
    {"display",
     "  display [--at INSTANT] [--status N] [--server NAME] [--difference SECONDS]\n"
     "      The main window's display text for that instant and synchronisation status\n"
     "      (0 not synchronised, 1 checking, 2 difference found, 3 clock set), with CR LF\n"
     "      line ends, using the settings and zone database of the data directory.",
     40, &RunDisplay}};

} // namespace

} // namespace tarnwick::cli
