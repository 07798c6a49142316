// tarnwick-cli zones list | zones show ID | zones update, tarnwick-cli zone-time ID: the
// preset-zone database as the editor lists it, one row's columns, the merge of a newer shipped
// release, and what the second clock shows for a zone.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>

#include "cli/cli.h"
#include "display/display_text.h"
#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "zones/preset_update.h"
#include "zones/zone_clock.h"
#include "zones/zone_database.h"
#include "zones/zone_list.h"

namespace tarnwick::cli {

namespace {

bool ParseZoneId(const std::string& text, std::int32_t& id) {
    const std::optional<long long> value = ParseInteger(text, INT32_MIN, INT32_MAX);
    if (value) {
        id = static_cast<std::int32_t>(*value);
    }
    return value.has_value();
}

// Opens the database as the clock does: the shipped presets are copied, or an empty database
// created, when the data directory has none.
// False (with the reason on stderr) when the database cannot be opened or has no zone table.
bool OpenDatabase(Context& context, const char* command, IMessageBox& messages,
                  std::unique_ptr<CZoneDatabase>& db) {
    db = std::make_unique<CZoneDatabase>(messages);
    if (!ConnectZoneDatabase(*db, context.paths.dataDirectory, messages) || !db->HasZoneTable()) {
        std::fprintf(stderr, "tarnwick-cli %s: %s\n", command, ZoneTableProblem(*db).c_str());
        return false;
    }
    return true;
}

int RunList(Context& context) {
    StderrMessageBox messages;
    std::unique_ptr<CZoneDatabase> db;
    if (!OpenDatabase(context, "zones list", messages, db)) {
        return kFailure;
    }
    // A failed query (a damaged page, another schema, too many rows) has been reported; an
    // empty list would pass for a database without zones.
    bool queried = false;
    std::string out;
    for (const ZoneListItem& item : BuildZoneListItems(*db, &queried)) {
        if (!item.IsSeparator()) {
            out += item.key + "\t" + item.text + "\n";
        }
    }
    if (!queried) {
        return kFailure;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return kOk;
}

int RunShow(Context& context) {
    if (context.args.size() != 1) {
        return UsageError("zones show", "wants one zone id");
    }
    std::int32_t id = 0;
    if (!ParseZoneId(context.args[0], id)) {
        return UsageError("zones show", "'" + context.args[0] + "' is not a zone id");
    }
    StderrMessageBox messages;
    std::unique_ptr<CZoneDatabase> db;
    if (!OpenDatabase(context, "zones show", messages, db)) {
        return kFailure;
    }
    if (!db->Query(SelectZoneStatement(id))) {
        return kFailure;
    }
    if (db->GetCount() <= 0) {
        std::fprintf(stderr, "tarnwick-cli zones show: no zone with id %d in %s\n", id,
                     db->FilePath().c_str());
        return kNotFound;
    }
    for (const std::string& column : PresetTimeZoneColumns()) {
        std::printf("%s=%s\n", column.c_str(), db->GetField(column).Text().c_str());
    }
    return kOk;
}

// The merge every start does, on demand, with the changes listed; --dry-run writes nothing.
int RunUpdate(Context& context) {
    const bool dryRun = TakeFlag(context.args, "--dry-run");
    if (!context.args.empty()) {
        return UsageError("zones update", "unexpected argument '" + context.args.front() + "'");
    }
    StderrMessageBox messages;
    auto db = std::make_unique<CZoneDatabase>(messages);
    const std::string& directory = context.paths.dataDirectory;
    if (!ConnectZoneDatabase(*db, directory, messages, false) || !db->HasZoneTable()) {
        std::fprintf(stderr, "tarnwick-cli zones update: %s\n", ZoneTableProblem(*db).c_str());
        return kFailure;
    }
    const std::string shipped = ShippedPresetPath(directory);
    if (shipped.empty()) {
        std::printf("%s holds the shipped zones themselves; nothing to update\n",
                    db->FilePath().c_str());
        return kOk;
    }
    if (db->IsReadOnly() && !dryRun) {
        return kFailure; // Connect has said why
    }
    PresetMerge merge;
    std::string error;
    if (!MergeShippedPresets(*db, shipped, ZonesInUse(directory), !dryRun, merge, error)) {
        std::fprintf(stderr, "tarnwick-cli zones update: %s (%s is as it was)\n", error.c_str(),
                     db->FilePath().c_str());
        return kFailure;
    }
    std::string out;
    for (const PresetChangeItem& item : merge.items) {
        out += std::string(PresetChangeName(item.change)) + "\t" + std::to_string(item.id) + "\t" +
               item.name + "\n";
    }
    const std::size_t changed = merge.ChangedZones();
    if (merge.adopted && merge.userRelease < merge.shippedRelease) {
        out += "The copy does not say which release it came from: its zones are kept as they "
               "are and compared with release " +
               std::to_string(merge.shippedRelease) + " from now on\n";
    }
    if (dryRun) {
        out += "Zone rules of release " + std::to_string(merge.shippedRelease) + ": " +
               std::to_string(changed) + (changed == 1 ? " zone" : " zones") +
               " would change (nothing written)\n";
    } else if (changed > 0) {
        out += PresetMergeSummary(merge) + "\n";
    } else {
        out += "Zone rules are current (release " +
               std::to_string(std::max(merge.userRelease, merge.shippedRelease)) + ")\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return kOk;
}

int RunZones(Context& context) {
    if (context.args.empty()) {
        return UsageError("zones", "wants 'list', 'show ID' or 'update'");
    }
    const std::string sub = context.args.front();
    context.args.erase(context.args.begin());
    if (sub == "list") {
        if (!context.args.empty()) {
            return UsageError("zones list", "unexpected argument '" + context.args.front() + "'");
        }
        return RunList(context);
    }
    if (sub == "show") {
        return RunShow(context);
    }
    if (sub == "update") {
        return RunUpdate(context);
    }
    return UsageError("zones", "unknown subcommand '" + sub + "'");
}

int RunZoneTime(Context& context) {
    int status = kOk;
    const std::unique_ptr<IClock> clock = TakeClock("zone-time", context.args, status);
    if (!clock) {
        return status;
    }
    if (context.args.size() != 1) {
        return UsageError("zone-time", "wants one zone id");
    }
    std::int32_t id = 0;
    if (!ParseZoneId(context.args[0], id)) {
        return UsageError("zone-time", "'" + context.args[0] + "' is not a zone id");
    }
    std::unique_ptr<ILocalZone> zone = MakeSystemLocalZone();
    StderrMessageBox messages;
    CZoneClock other(*clock, *zone);
    other.ConnectDatabase(context.paths.dataDirectory, messages);
    other.LoadZone(id);
    const DateTime time = other.GetZoneTime();
    std::printf("%s\t%d\t%d\t%s\n", other.GetAbbreviation().c_str(), other.GetOffsetMinutes(),
                other.IsDstNow() ? 1 : 0, FormatClockTime(time).c_str());
    // The computer's zone stands in, as in the window, but a script learns of the fault.
    const std::string problem = other.DatabaseProblem();
    if (!problem.empty()) {
        std::fprintf(stderr, "tarnwick-cli zone-time: %s\n", problem.c_str());
        return kFailure;
    }
    return kOk;
}

} // namespace

constinit const Command kZonesCommand{
    "zones",
    "  zones list\n"
    "      The preset zones as the zone editor lists them: ID<TAB>TEXT per item, ordered\n"
    "      by G.M.T. offset and name, one item per comma-separated part of the name.\n"
    "  zones show ID\n"
    "      The columns of one preset zone, COLUMN=value per line (exit 1: no such zone).",
    &RunZones};

constinit const Command kZoneTimeCommand{
    "zone-time",
    "  zone-time ID [--at INSTANT]\n"
    "      What the second clock shows for zone ID at INSTANT (default now):\n"
    "      ABBREVIATION<TAB>OFFSET_MINUTES<TAB>DST(0|1)<TAB>TIME. An unknown ID gives the\n"
    "      computer's own zone.",
    &RunZoneTime};

} // namespace tarnwick::cli
