#include "tools/preset_zones.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/clock.h"
#include "platform/library_zone.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/posix_tz.h"
#include "zones/preset_update.h"
#include "zones/zone_clock.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick {

namespace {

constexpr std::size_t kNameLimit = 255;   // m_TimeZoneName char(255)
constexpr std::size_t kCitiesLimit = 100; // m_Cities char(100)

// Long names for the abbreviations people know, by standard abbreviation, daylight
// abbreviation (empty: none) and G.M.T. offset in minutes.
struct LongName {
    const char* stdAbbr;
    const char* dstAbbr;
    int offsetMinutes;
    const char* name;
};
const LongName kLongNames[] = {
    {"GMT", "", 0, "Greenwich Mean Time"},
    {"GMT", "BST", 0, "British Time"},
    {"UTC", "", 0, "Coordinated Universal Time"},
    {"WET", "WEST", 0, "Western European Time"},
    {"WET", "", 0, "Western European Standard Time"},
    {"CET", "CEST", 60, "Central European Time"},
    {"CET", "", 60, "Central European Standard Time"},
    {"MET", "MEST", 60, "Middle European Time"},
    {"WAT", "", 60, "West Africa Time"},
    {"EET", "EEST", 120, "Eastern European Time"},
    {"EET", "", 120, "Eastern European Standard Time"},
    {"CAT", "", 120, "Central Africa Time"},
    {"SAST", "", 120, "South Africa Standard Time"},
    {"IST", "IDT", 120, "Israel Time"},
    {"MSK", "", 180, "Moscow Time"},
    {"EAT", "", 180, "East Africa Time"},
    {"PKT", "", 300, "Pakistan Standard Time"},
    {"IST", "", 330, "India Standard Time"},
    {"WIB", "", 420, "Western Indonesia Time"},
    {"CST", "", 480, "China Standard Time"},
    {"HKT", "", 480, "Hong Kong Time"},
    {"PST", "", 480, "Philippine Standard Time"},
    {"WITA", "", 480, "Central Indonesia Time"},
    {"AWST", "", 480, "Australian Western Standard Time"},
    {"JST", "", 540, "Japan Standard Time"},
    {"KST", "", 540, "Korea Standard Time"},
    {"WIT", "", 540, "Eastern Indonesia Time"},
    {"ACST", "", 570, "Australian Central Standard Time"},
    {"ACST", "ACDT", 570, "Australian Central Time"},
    {"AEST", "", 600, "Australian Eastern Standard Time"},
    {"AEST", "AEDT", 600, "Australian Eastern Time"},
    {"ChST", "", 600, "Chamorro Standard Time"},
    {"NZST", "NZDT", 720, "New Zealand Time"},
    {"SST", "", -660, "Samoa Standard Time"},
    {"HST", "", -600, "Hawaii Standard Time"},
    {"HST", "HDT", -600, "Hawaii-Aleutian Time"},
    {"AKST", "AKDT", -540, "Alaska Time"},
    {"PST", "PDT", -480, "Pacific Time"},
    {"MST", "", -420, "Mountain Standard Time"},
    {"MST", "MDT", -420, "Mountain Time"},
    {"CST", "", -360, "Central Standard Time"},
    {"CST", "CDT", -360, "Central Time"},
    {"CST", "CDT", -300, "Cuba Time"},
    {"EST", "", -300, "Eastern Standard Time"},
    {"EST", "EDT", -300, "Eastern Time"},
    {"AST", "", -240, "Atlantic Standard Time"},
    {"AST", "ADT", -240, "Atlantic Time"},
    {"NST", "NDT", -210, "Newfoundland Time"},
};

struct Group {
    std::string footer;
    TimeZoneInformation tzi;
    std::vector<std::string> zones; // IANA names, the first is the group's representative
    std::string longName;
    std::string name;
    ZoneColumns columns;
};

bool IsEtc(const std::string& zone) {
    return zone.rfind("Etc/", 0) == 0;
}

std::string City(const std::string& zone) {
    std::string city = zone.substr(zone.rfind('/') + 1);
    std::replace(city.begin(), city.end(), '_', ' ');
    return city;
}

std::string OffsetText(int minutes) {
    char buffer[16];
    const int a = minutes < 0 ? -minutes : minutes;
    std::snprintf(buffer, sizeof buffer, "%c%02d:%02d", minutes < 0 ? '-' : '+', a / 60, a % 60);
    return buffer;
}

std::string UtcText(std::int64_t unixSeconds) {
    const DateTime t = DateTime::FromUnixSeconds(unixSeconds);
    return t.Format("%Y-%m-%dT%H:%M:%SZ");
}

// Zones in zone.tab's order; the research stations of Antarctica and the Arctic go last so
// that a group is named after a place people live.
bool ReadZoneTab(const std::string& path, std::vector<std::string>& zones) {
    std::ifstream in(path);
    if (!in) {
        return false;
    }
    std::vector<std::string> inhabited;
    std::vector<std::string> stations;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string code, coordinates, zone;
        if (!std::getline(fields, code, '\t') || !std::getline(fields, coordinates, '\t') ||
            !std::getline(fields, zone, '\t')) {
            continue;
        }
        auto& list = zone.rfind("Antarctica/", 0) == 0 || zone.rfind("Arctic/", 0) == 0 ? stations
                                                                                        : inhabited;
        if (std::find(list.begin(), list.end(), zone) == list.end()) {
            list.push_back(zone);
        }
    }
    zones = inhabited;
    zones.insert(zones.end(), stations.begin(), stations.end());
    return true;
}

std::string TzdataVersion(const std::string& directory) {
    std::ifstream in(directory + "/tzdata.zi");
    std::string line;
    if (std::getline(in, line) && line.rfind("# version ", 0) == 0) {
        return line.substr(10);
    }
    return "unknown";
}

// Bumped when the generator writes different rows from the same time-zone database, so that
// the rows reach existing copies as a new release.
constexpr int kGeneratorRevision = 1;

} // namespace

int PresetRelease(const std::string& tzdataVersion) {
    int year = 0;
    char letter = 0;
    char tail = 0;
    if (std::sscanf(tzdataVersion.c_str(), "%4d%c%c", &year, &letter, &tail) != 2 || year < 1970 ||
        letter < 'a' || letter > 'z') {
        return 0;
    }
    return (year * 100 + (letter - 'a' + 1)) * 100 + kGeneratorRevision;
}

namespace {

// Where the row's rule and the C library part ways in year, if anywhere: one minute before,
// at and one minute after each transition, and in mid-January and mid-July.
std::string Disagreement(const LibraryZone& library, const CZoneRecord& record, int year) {
    std::vector<std::int64_t> instants = {DateTime(year, 1, 15, 12, 0, 0).ToUnixSeconds(),
                                          DateTime(year, 7, 15, 12, 0, 0).ToUnixSeconds()};
    for (std::int64_t t : LibraryTransitions(library, year)) {
        instants.insert(instants.end(), {t - 60, t, t + 60});
    }
    FixedClock clock(0);
    FixedLocalZone utc(0, "UTC");
    CZoneClock zone(clock, utc);
    zone.SetRecord(record);
    for (std::int64_t t : instants) {
        clock.Set(t);
        zone.GetZoneTime();
        const LocalInstant expected = library.At(t);
        if (zone.GetOffsetMinutes() != expected.offsetMinutes ||
            zone.IsDstNow() != expected.isDst || zone.GetAbbreviation() != expected.abbreviation) {
            return "at " + UtcText(t) + " the rule gives " + OffsetText(zone.GetOffsetMinutes()) +
                   " " + zone.GetAbbreviation() + (zone.IsDstNow() ? " (daylight)" : "") +
                   ", the zone " + OffsetText(expected.offsetMinutes) + " " +
                   expected.abbreviation + (expected.isDst ? " (daylight)" : "");
        }
    }
    return "";
}

std::string JoinWithin(const std::string& first, const std::vector<std::string>& more,
                       std::size_t limit) {
    std::string text = first;
    for (const std::string& item : more) {
        if (text.empty()) {
            text = item;
        } else if (text.size() + 2 + item.size() <= limit) {
            text += ", " + item;
        }
    }
    return text;
}

} // namespace

void TwelveHour(int hour24, int& hour12, int& amPm) {
    amPm = hour24 >= 12 ? 2 : 1;
    hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
}

ZoneColumns ColumnsFromTimeZoneInformation(const TimeZoneInformation& tzi) {
    ZoneColumns c;
    const int offset = -tzi.Bias;
    c.gmtBiasHour = offset / 60; // truncation keeps the minute's sign equal to the hour's
    c.gmtBiasMinute = offset % 60;
    c.stdAbbr = tzi.StandardName;
    c.dstUse = tzi.DaylightDate.wMonth != 0 ? 1 : 0;
    if (c.dstUse) {
        c.dstAbbr = tzi.DaylightName;
        const int shift = -tzi.DaylightBias;
        c.dstBiasHour = shift / 60;
        c.dstBiasMinute = shift % 60;
        const int standardShift = -tzi.StandardBias;
        c.stdBiasHour = standardShift / 60;
        c.stdBiasMinute = standardShift % 60;
        const TransitionRule& d = tzi.DaylightDate;
        c.dstMonth = d.wMonth;
        c.dstDow = d.wDayOfWeek;
        c.dstStartCountDow = d.wDay;
        TwelveHour(d.wHour, c.dstHour, c.dstAmPm);
        c.dstMinute = d.wMinute;
        const TransitionRule& s = tzi.StandardDate;
        c.stdMonth = s.wMonth;
        c.stdDow = s.wDayOfWeek;
        c.stdStartCountDow = s.wDay;
        TwelveHour(s.wHour, c.stdHour, c.stdAmPm);
        c.stdMinute = s.wMinute;
    }
    return c;
}

std::vector<std::int64_t> LibraryTransitions(const LibraryZone& zone, int year) {
    std::vector<std::int64_t> found;
    const std::int64_t begin = DateTime(year, 1, 1, 0, 0, 0).ToUnixSeconds();
    const std::int64_t end = DateTime(year + 1, 1, 1, 0, 0, 0).ToUnixSeconds();
    auto state = [&zone](std::int64_t t) {
        const LocalInstant at = zone.At(t);
        return std::make_pair(at.offsetMinutes, at.isDst);
    };
    auto previous = state(begin);
    for (std::int64_t t = begin + 3600; t <= end; t += 3600) {
        const auto now = state(t);
        if (now == previous) {
            continue;
        }
        std::int64_t low = t - 3600; // state as before
        std::int64_t high = t;       // state changed
        while (high - low > 1) {
            const std::int64_t middle = low + (high - low) / 2;
            (state(middle) == previous ? low : high) = middle;
        }
        found.push_back(high);
        previous = now;
    }
    return found;
}

bool GeneratePresets(const std::string& zoneinfoDirectory, int year, PresetGeneration& out,
                     std::string& error) {
    out = PresetGeneration{};
    std::vector<std::string> zones;
    if (!ReadZoneTab(zoneinfoDirectory + "/zone.tab", zones)) {
        error = "cannot read " + zoneinfoDirectory + "/zone.tab";
        return false;
    }
    zones.push_back("Etc/UTC");
    for (int hours = -14; hours <= 12; ++hours) {
        if (hours != 0) {
            char name[16];
            std::snprintf(name, sizeof name, "Etc/GMT%+d", hours);
            zones.push_back(name);
        }
    }

    std::vector<Group> groups;
    std::map<std::string, std::size_t> byFooter;
    for (const std::string& zone : zones) {
        const std::string path = zoneinfoDirectory + "/" + zone;
        const std::optional<std::string> footer = ReadTzifFooter(path);
        if (!footer) {
            if (!IsEtc(zone)) {
                out.excluded.push_back(zone + ": " + path + " is not a readable TZif file");
            }
            continue;
        }
        const std::string described = zone + " (" + *footer + "): ";
        if (footer->empty()) {
            out.excluded.push_back(described + "the file has no rule footer");
            continue;
        }
        auto known = byFooter.find(*footer);
        if (IsEtc(zone) && known != byFooter.end()) {
            continue; // the offset is covered by a listed zone
        }
        const std::optional<PosixTzRule> rule = ParsePosixTz(*footer);
        TimeZoneInformation tzi;
        std::string why;
        if (!rule) {
            out.excluded.push_back(described + "the rule cannot be read");
            continue;
        }
        if (!ToTimeZoneInformation(*rule, tzi, why)) {
            out.excluded.push_back(described + why);
            continue;
        }
        CZoneRecord record;
        FillRecordFromColumns(0, ColumnsFromTimeZoneInformation(tzi), record);
        const std::string disagreement = Disagreement(LibraryZone(":" + path), record, year);
        if (!disagreement.empty()) {
            out.excluded.push_back(described + "the zone does not follow this rule in " +
                                   std::to_string(year) + ": " + disagreement);
            continue;
        }
        if (known == byFooter.end()) {
            known = byFooter.emplace(*footer, groups.size()).first;
            groups.push_back(Group{*footer, tzi, {}, "", "", {}});
        }
        groups[known->second].zones.push_back(zone);
    }

    // Long names: the known ones by abbreviation, else the first place's name; a long name
    // that several rules would share stays plain on the rule most zones follow, and the others
    // add their first place.
    std::map<std::string, std::vector<std::size_t>> byLongName;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        Group& g = groups[i];
        const int offset = -g.tzi.Bias;
        const bool dst = g.tzi.DaylightDate.wMonth != 0;
        for (const LongName& known : kLongNames) {
            if (g.tzi.StandardName == known.stdAbbr && offset == known.offsetMinutes &&
                (dst ? g.tzi.DaylightName : std::string()) == known.dstAbbr) {
                g.longName = known.name;
            }
        }
        if (g.longName.empty()) {
            // Numeric abbreviations ("+03") name no zone people know by name: the offset
            // says more than the first place would.
            const char first = g.tzi.StandardName.empty() ? '+' : g.tzi.StandardName[0];
            if (first == '+' || first == '-' || IsEtc(g.zones.front())) {
                g.longName = "UTC" + OffsetText(offset) + (dst ? " with daylight saving" : "");
            } else {
                g.longName = City(g.zones.front()) + " Time";
            }
        }
        byLongName[g.longName].push_back(i);
    }
    for (auto& [name, members] : byLongName) {
        if (members.size() < 2) {
            continue;
        }
        std::stable_sort(members.begin(), members.end(), [&groups](std::size_t a, std::size_t b) {
            return groups[a].zones.size() > groups[b].zones.size();
        });
        for (std::size_t k = 1; k < members.size(); ++k) {
            Group& g = groups[members[k]];
            g.longName += " (" + City(g.zones.front()) + ")";
        }
    }
    for (Group& g : groups) {
        std::vector<std::string> cities;
        for (const std::string& zone : g.zones) {
            const std::string city = City(zone);
            if (!IsEtc(zone) && std::find(cities.begin(), cities.end(), city) == cities.end()) {
                cities.push_back(city);
            }
        }
        g.name = JoinWithin(g.longName, cities, kNameLimit);
        g.columns = ColumnsFromTimeZoneInformation(g.tzi);
        g.columns.timeZoneName = g.name;
        g.columns.cities = JoinWithin("", g.zones, kCitiesLimit);
    }
    std::stable_sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        const int oa = -a.tzi.Bias;
        const int ob = -b.tzi.Bias;
        return oa != ob ? oa < ob : a.name < b.name;
    });

    std::ostringstream sql;
    sql << "-- Preset time zones of the Tarnwick clock: one row per distinct rule of the IANA\n"
           "-- time-zone database (tzdata "
        << TzdataVersion(zoneinfoDirectory)
        << "), generated by `tarnwick-cli presets generate`\n"
           "-- from the rule footers of the TZif files and checked against the C library for "
        << year
        << ".\n"
           "-- m_Cities lists the zones that follow each rule. Do not edit by hand: regenerate.\n";
    int id = 0;
    for (const Group& g : groups) {
        const ZoneColumns& c = g.columns;
        CInsertStatement insert("presetTimeZones");
        insert.Add("timeZoneID", std::to_string(++id));
        for (const ZoneColumn& column : ZoneColumnTable()) {
            insert.Add(column.name, ZoneColumnValueText(column, c));
        }
        sql << "-- " << g.footer << "\n" << insert.BuildInsert() << ";\n";
    }
    // The release lets a copy made from an earlier one take these rows (zones/preset_update.h).
    sql << "-- The release of these rows: YYYY, the letter of the tzdata version (a = 01), and\n"
           "-- the generator's revision; 0 when the version is unknown.\n"
           "PRAGMA user_version = "
        << PresetRelease(TzdataVersion(zoneinfoDirectory)) << " ;\n";
    out.sql = sql.str();
    out.rows = id;
    return true;
}

bool BuildPresetDatabase(const std::string& sqlPath, const std::string& outPath,
                         IMessageBox& messages, std::string& error) {
    std::ifstream in(sqlPath);
    if (!in) {
        error = "cannot read " + sqlPath;
        return false;
    }
    const std::string directory = DirectoryOf(outPath);
    const std::string baseName = "presets-build-" + std::to_string(::getpid());
    const std::string temporary = directory + "/" + baseName + ".mdb";
    ::unlink(temporary.c_str());

    bool ok = true;
    {
        CZoneDatabase db(messages);
        db.SetLocation(directory, baseName);
        if (!db.Connect(ZoneCreateStatement()) || !db.Query("BEGIN")) {
            error = "cannot create " + temporary;
            ok = false;
        }
        std::string line;
        std::string statement;
        int lineNumber = 0;
        while (ok && std::getline(in, line)) {
            ++lineNumber;
            if (statement.empty() && (line.empty() || line.rfind("--", 0) == 0)) {
                continue;
            }
            statement += line;
            const std::size_t last = statement.find_last_not_of(" \t\r");
            if (last == std::string::npos || statement[last] != ';') {
                statement += "\n";
                continue;
            }
            statement.resize(last);
            if (!db.Query(statement)) {
                error = sqlPath + ":" + std::to_string(lineNumber) + ": the statement failed";
                ok = false;
            }
            statement.clear();
        }
        if (ok && !statement.empty()) {
            error = sqlPath + ": the last statement has no closing ';'";
            ok = false;
        }
        std::string baseError;
        if (ok && !RecordPresetBase(db, baseError)) {
            error = "cannot keep the rows as the base of later releases: " + baseError;
            ok = false;
        }
        ok = ok && db.Query("COMMIT");
    }
    if (ok && std::rename(temporary.c_str(), outPath.c_str()) != 0) {
        error = "cannot replace " + outPath + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
    }
    return ok;
}

} // namespace tarnwick
