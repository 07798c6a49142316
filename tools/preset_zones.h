// The preset zones the clock ships: rows generated from the system's IANA time-zone database
// (the POSIX rule footer of each TZif file), one row per distinct rule, kept as seed
// statements in res/presets.sql and built into the shipped timezones.mdb.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/local_zone.h"
#include "zones/zone_record.h"

namespace tarnwick {

class IMessageBox;
class LibraryZone;

struct PresetGeneration {
    std::string sql;                   // the seed statements, with comments
    std::vector<std::string> excluded; // "Africa/Cairo (EET-2EEST,...): why", one per zone left out
    int rows = 0;
};

// Reads zone.tab's zones (plus Etc/UTC and the Etc/GMT offsets no listed zone covers) under
// zoneinfoDirectory, keeps those whose rule the columns express exactly and whose rule the C
// library follows in year, and groups them by rule. False with error when zone.tab is missing.
bool GeneratePresets(const std::string& zoneinfoDirectory, int year, PresetGeneration& out,
                     std::string& error);

// The release of the rows generated from a time-zone database of version tzdataVersion
// ("2026f" -> 20260601: year, letter a = 01, generator revision); 0 for a version of another
// shape. The seed stores it in the database's PRAGMA user_version.
int PresetRelease(const std::string& tzdataVersion);

// The columns of a row for a rule: G.M.T. offset with the minute carrying the hour's sign,
// and, when the zone observes daylight saving, the nth-weekday rules on the 12-hour clock.
ZoneColumns ColumnsFromTimeZoneInformation(const TimeZoneInformation& tzi);

// The 12-hour clock of the columns: 0 -> 12 a.m. (1), 1-11 a.m., 12 -> 12 p.m. (2), 13-23 p.m.
void TwelveHour(int hour24, int& hour12, int& amPm);

// Instants (seconds since 1970, UTC) at which the zone's offset or daylight flag changes in
// the given year, as the C library reports them, to the second.
std::vector<std::int64_t> LibraryTransitions(const LibraryZone& zone, int year);

// Runs the seed statements of sqlPath into a new database written atomically to outPath
// (built beside it, then renamed over it). False with error (file, line, engine text).
bool BuildPresetDatabase(const std::string& sqlPath, const std::string& outPath,
                         IMessageBox& messages, std::string& error);

} // namespace tarnwick
