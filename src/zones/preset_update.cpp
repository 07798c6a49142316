#include "zones/preset_update.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/message_box.h"
#include "platform/paths.h"
#include "settings/clock_settings.h"
#include "settings/profile_file.h"
#include "zones/zone_database.h"

namespace tarnwick {

namespace {

constexpr const char* kFileName = "/timezones.mdb";
constexpr const char* kBaseTable = "shippedPresetTimeZones";

// timeZoneID -> the other columns as text, in the create statement's order.
using Rows = std::map<std::int64_t, std::vector<std::string>>;

bool SameDirectory(const std::string& a, const std::string& b) {
    std::error_code error; // a missing directory is not the same as any other
    return std::filesystem::equivalent(a, b, error);
}

std::string ColumnList() {
    std::string list;
    for (const std::string& column : PresetTimeZoneColumns()) {
        list += (list.empty() ? "" : ",") + column;
    }
    return list;
}

// A read-only URI for ATTACH: the file is never created or written, whoever owns it.
std::string ReadOnlyUriLiteral(const std::string& path) {
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).string();
    std::string uri = "'file://";
    for (const unsigned char c : absolute) {
        if (std::isalnum(c) != 0 || c == '/' || c == '.' || c == '_' || c == '-' || c == '~') {
            uri += static_cast<char>(c);
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            uri += {'%', kHex[c >> 4], kHex[c & 15]};
        }
    }
    return uri + "?mode=ro'";
}

bool ReadInt(CZoneDatabase& db, const std::string& sql, std::int64_t& value, std::string& error) {
    std::vector<std::vector<std::string>> rows;
    if (!db.Select(sql, rows, error)) {
        return false;
    }
    value = 0;
    if (!rows.empty() && !rows[0].empty()) {
        const std::string& text = rows[0][0];
        std::from_chars(text.data(), text.data() + text.size(), value);
    }
    return true;
}

// Rows whose key is no whole number (a file made by another program) are never touched.
bool ReadRows(CZoneDatabase& db, const std::string& table, Rows& rows, std::string& error) {
    std::vector<std::vector<std::string>> raw;
    if (!db.Select("SELECT " + ColumnList() + " FROM " + table, raw, error)) {
        return false;
    }
    for (std::vector<std::string>& row : raw) {
        std::int64_t id = 0;
        const std::string& key = row.front();
        const auto [end, status] = std::from_chars(key.data(), key.data() + key.size(), id);
        if (status == std::errc() && end == key.data() + key.size()) {
            rows[id].assign(row.begin() + 1, row.end());
        }
    }
    return true;
}

// The first value column is the zone's name.
std::string NameOf(const std::vector<std::string>& row) {
    return row.empty() ? std::string() : row.front();
}

std::vector<PresetChangeItem> Compare(const Rows& user, const Rows& base, const Rows& shipped,
                                      const std::set<std::int64_t>& inUse) {
    std::set<std::int64_t> ids;
    for (const Rows* rows : {&user, &base, &shipped}) {
        for (const auto& [id, row] : *rows) {
            ids.insert(id);
        }
    }
    std::vector<PresetChangeItem> items;
    for (const std::int64_t id : ids) {
        const auto u = user.find(id);
        const auto b = base.find(id);
        const auto s = shipped.find(id);
        const bool inUser = u != user.end();
        const bool inBase = b != base.end();
        const bool inShipped = s != shipped.end();
        if (inUser && inBase && u->second == b->second) { // untouched by the user
            if (inShipped && s->second != u->second) {
                items.push_back({PresetChange::Changed, id, NameOf(s->second)});
            } else if (!inShipped) {
                items.push_back(
                    {inUse.count(id) != 0 ? PresetChange::KeptInUse : PresetChange::Removed, id,
                     NameOf(u->second)});
            }
        } else if (!inUser && !inBase && inShipped) {
            items.push_back({PresetChange::Added, id, NameOf(s->second)});
        } else if (inUser && !inBase && inShipped && s->second != u->second) {
            items.push_back({PresetChange::KeptOwn, id, NameOf(u->second)});
        } else if (inUser && inBase && (!inShipped || s->second != b->second)) {
            items.push_back({PresetChange::KeptEdited, id, NameOf(u->second)});
        }
        // A row the user deleted stays deleted.
    }
    return items;
}

// The rows of schema's presetTimeZones become the base of the main database.
std::string BaseRowsStatements(const std::string& schema) {
    return std::string("DROP TABLE IF EXISTS main.") + kBaseTable + ";CREATE TABLE main." +
           kBaseTable + " AS SELECT " + ColumnList() + " FROM " + schema + ".presetTimeZones;";
}

std::string ApplyStatements(const PresetMerge& merge) {
    const std::string columns = ColumnList();
    const std::string copy = "INSERT INTO main.presetTimeZones (" + columns + ") SELECT " +
                             columns + " FROM shipped.presetTimeZones WHERE timeZoneID=";
    std::string sql;
    for (const PresetChangeItem& item : merge.items) {
        const std::string id = std::to_string(item.id);
        const std::string remove = "DELETE FROM main.presetTimeZones WHERE timeZoneID=" + id + ";";
        switch (item.change) {
        case PresetChange::Changed:
            sql += remove + copy + id + ";";
            break;
        case PresetChange::Added:
            sql += copy + id + ";";
            break;
        case PresetChange::Removed:
            sql += remove;
            break;
        default:
            break;
        }
    }
    return sql + BaseRowsStatements("shipped") +
           "PRAGMA main.user_version=" + std::to_string(merge.shippedRelease) + ";";
}

// Within the open transaction: what to do, and with apply, doing it. True when nothing failed.
bool PlanAndApply(CZoneDatabase& user, const std::set<std::int64_t>& inUse, bool apply,
                  PresetMerge& merge, std::string& error) {
    std::int64_t userRelease = 0;
    std::int64_t shippedRelease = 0;
    std::int64_t hasBase = 0;
    if (!ReadInt(user, "PRAGMA main.user_version", userRelease, error) ||
        !ReadInt(user, "PRAGMA shipped.user_version", shippedRelease, error) ||
        !ReadInt(user,
                 std::string("SELECT count(*) FROM main.sqlite_master WHERE type='table' AND "
                             "name='") +
                     kBaseTable + "'",
                 hasBase, error)) {
        return false;
    }
    merge.userRelease = static_cast<int>(userRelease);
    merge.shippedRelease = static_cast<int>(shippedRelease);
    // A zone table without the program's columns is no copy of the presets: it is left exactly
    // as it is, and the commands that read it say what is wrong with it.
    std::vector<std::vector<std::string>> none;
    if (!user.Select("SELECT " + ColumnList() + " FROM main.presetTimeZones LIMIT 0", none,
                     error)) {
        error = "the zone table is not the one the program writes (" + error + ")";
        return false;
    }
    // Only a copy that holds its release and that release's rows tells what the user changed.
    const bool versioned = hasBase != 0 && userRelease > 0;
    if (shippedRelease <= 0 || shippedRelease < userRelease ||
        (versioned && shippedRelease == userRelease)) {
        return true; // nothing to compare with, newer than what ships, or current
    }
    if (!versioned) {
        // Every row is kept as it is; from now on the shipped rows are the base the user's
        // edits are told by.
        merge.adopted = true;
    } else {
        Rows userRows;
        Rows baseRows;
        Rows shippedRows;
        if (!ReadRows(user, "main.presetTimeZones", userRows, error) ||
            !ReadRows(user, std::string("main.") + kBaseTable, baseRows, error) ||
            !ReadRows(user, "shipped.presetTimeZones", shippedRows, error)) {
            return false;
        }
        merge.items = Compare(userRows, baseRows, shippedRows, inUse);
    }
    return !apply || user.Execute(ApplyStatements(merge), error);
}

} // namespace

std::size_t PresetMerge::ChangedZones() const {
    std::size_t count = 0;
    for (const PresetChangeItem& item : items) {
        count += item.change == PresetChange::Changed || item.change == PresetChange::Added ||
                 item.change == PresetChange::Removed;
    }
    return count;
}

bool RecordPresetBase(CZoneDatabase& database, std::string& error) {
    return database.Execute(BaseRowsStatements("main"), error);
}

std::string ShippedPresetPath(const std::string& dataDirectoryOrEmpty) {
    const std::string dataDirectory = dataDirectoryOrEmpty.empty() ? "." : dataDirectoryOrEmpty;
    const std::string shippedDirectory = ShippedDataDirectory();
    if (shippedDirectory.empty() || SameDirectory(shippedDirectory, dataDirectory)) {
        return {};
    }
    return shippedDirectory + kFileName;
}

void InstallShippedPresets(const std::string& dataDirectoryOrEmpty, IMessageBox& messages) {
    const std::string shipped = ShippedPresetPath(dataDirectoryOrEmpty);
    if (shipped.empty()) {
        return;
    }
    const std::string dataDirectory = dataDirectoryOrEmpty.empty() ? "." : dataDirectoryOrEmpty;
    std::string error;
    if (!InstallPresetDatabase(shipped, dataDirectory + kFileName, error)) {
        messages.Show("The preset time zones could not be copied: " + error, kProductName,
                      MessageButtons::Ok, MessageIcon::Exclamation);
    }
}

std::set<std::int64_t> ZonesInUse(const std::string& dataDirectory) {
    std::string settingsDirectory = dataDirectory;
    if (SameDirectory(dataDirectory, XdgDataHome() + "/tarnwick")) {
        settingsDirectory = XdgConfigHome() + "/tarnwick";
    }
    std::string value;
    std::int64_t id = 0;
    if (ReadProfileValue(SettingsFilePath(settingsDirectory), "OTHERCOUNTRY", "TIMEZONEID",
                         value) != ProfileLookup::Found ||
        std::from_chars(value.data(), value.data() + value.size(), id).ec != std::errc()) {
        return {};
    }
    return {id};
}

bool MergeShippedPresets(CZoneDatabase& user, const std::string& shippedPath,
                         const std::set<std::int64_t>& inUse, bool apply, PresetMerge& merge,
                         std::string& error) {
    merge = PresetMerge();
    std::error_code missing;
    if (!std::filesystem::is_regular_file(shippedPath, missing)) {
        error = "there is no shipped preset database " + shippedPath;
        return false;
    }
    if (!user.Execute("ATTACH DATABASE " + ReadOnlyUriLiteral(shippedPath) + " AS shipped",
                      error)) {
        error = shippedPath + ": " + error;
        return false;
    }
    // IMMEDIATE: a second clock or tarnwick-cli merging at the same moment waits, then finds
    // the work done.
    bool ok = user.Execute(apply ? "BEGIN IMMEDIATE" : "BEGIN", error) &&
              PlanAndApply(user, inUse, apply, merge, error);
    if (ok && apply) {
        ok = user.Execute("COMMIT", error);
    }
    std::string ignored;
    if (!ok || !apply) {
        user.Execute("ROLLBACK", ignored); // also after a failed COMMIT, which stays open
    }
    user.Execute("DETACH DATABASE shipped", ignored);
    return ok;
}

std::string PresetMergeSummary(const PresetMerge& merge) {
    const std::size_t changed = merge.ChangedZones();
    if (changed == 0) {
        return {};
    }
    return "Zone rules updated: " + std::to_string(changed) +
           (changed == 1 ? " zone changed" : " zones changed");
}

const char* PresetChangeName(PresetChange change) {
    switch (change) {
    case PresetChange::Changed:
        return "changed";
    case PresetChange::Added:
        return "added";
    case PresetChange::Removed:
        return "removed";
    case PresetChange::KeptEdited:
        return "kept: edited";
    case PresetChange::KeptInUse:
        return "kept: in use";
    case PresetChange::KeptOwn:
        return "kept: own zone";
    }
    return "";
}

void UpdateFromShippedPresets(CZoneDatabase& user, const std::string& dataDirectory,
                              IMessageBox& messages) {
    const std::string shipped = ShippedPresetPath(dataDirectory);
    if (shipped.empty() || !user.IsOpen() || user.IsReadOnly() || !user.HasZoneTable()) {
        return;
    }
    PresetMerge merge;
    std::string error;
    if (!MergeShippedPresets(user, shipped, ZonesInUse(dataDirectory), true, merge, error)) {
        // Only a merge that would have changed zones is worth a word; taking the base rows
        // is tried again at the next start.
        if (merge.ChangedZones() > 0) {
            messages.Show("The zone rules could not be updated (your zones are as they were): " +
                              error,
                          kProductName, MessageButtons::Ok, MessageIcon::Exclamation);
        }
        return;
    }
    const std::string summary = PresetMergeSummary(merge);
    if (!summary.empty()) {
        messages.Show(summary, kProductName, MessageButtons::Ok, MessageIcon::Information);
    }
}

} // namespace tarnwick
