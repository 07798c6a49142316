// tarnwick-cli convert: the converter's answer for a day and hour, from the settings' second
// zone and the computer's zone at one instant.
#include <cstdio>
#include <memory>

#include "cli/cli.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "settings/clock_settings.h"
#include "zones/converter.h"
#include "zones/local_time_info.h"
#include "zones/zone_clock.h"

namespace tarnwick::cli {

namespace {

int RunConvert(Context& context) {
    int status = kOk;
    const std::unique_ptr<IClock> clock = TakeClock("convert", context.args, status);
    if (!clock) {
        return status;
    }
    const bool reverse = TakeFlag(context.args, "--reverse");
    if (context.args.size() != 2) {
        return UsageError("convert", "wants a day (Sun..Sat) and an hour (0..23 or 8pm)");
    }
    const std::optional<int> day = ParseConverterDay(context.args[0]);
    if (!day) {
        return UsageError("convert", "'" + context.args[0] + "' is not a day (Sun..Sat)");
    }
    const std::optional<int> hour = ParseConverterHour(context.args[1]);
    if (!hour) {
        return UsageError("convert",
                          "'" + context.args[1] + "' is not an hour (0..23, 12am..11pm)");
    }

    ClockSettings settings;
    LoadSettings(context.paths.settingsDirectory, settings, nullptr);
    std::unique_ptr<ILocalZone> zone = MakeSystemLocalZone();
    StderrMessageBox messages;
    CLocalTimeInfo local(*clock, *zone);
    CZoneClock other(*clock, *zone);
    other.ConnectDatabase(context.paths.dataDirectory, messages);
    other.LoadZone(settings.timeZoneId);
    other.GetZoneTime(); // the other zone's offset at this instant

    const ConverterOffset offset =
        ConverterOffsetFrom(local.GetLocalOffsetMinutes(), other.GetOffsetMinutes());
    const DayHour result = ConvertDayHour(
        {*day, *hour}, offset, reverse ? ConvertDirection::FromOther : ConvertDirection::FromYours);
    std::printf("%s\n", FormatDayHour(result).c_str());
    const std::string note = ConverterNote(offset);
    if (!note.empty()) {
        std::printf("%s\n", note.c_str());
    }
    return kOk;
}

} // namespace

constinit const Command kConvertCommand{
    "convert",
    "  convert DAY HOUR [--reverse] [--at INSTANT]\n"
    "      The converter: DAY (Sun..Sat) and HOUR (0..23 or 12am..11pm) of \"Your Time\"\n"
    "      as \"Other Time\" (the settings' second zone) shows them, e.g. Thu 5am, with the\n"
    "      zones' offsets at INSTANT (default now); --reverse converts the other way. A\n"
    "      second line says what is left when the zones are not whole hours apart.",
    &RunConvert};

} // namespace tarnwick::cli
