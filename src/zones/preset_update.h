// The user's copy of the preset zones and the copy the program ships. The first start copies
// the shipped timezones.mdb into the data directory; a later package with corrected rules
// reaches that copy through a merge:
//
//   shipped timezones.mdb (release R in PRAGMA user_version)
//        |  compared row by row with
//   the user's presetTimeZones  +  shippedPresetTimeZones (the rows of the release the copy
//        |                         was made from, and its release in user_version)
//        v
//   rows the user never changed take the shipped values; rows the user edited, added or
//   deleted stay as they are; the zone the settings show is never removed.
//
// The base rows live in the user's own file, so that edits made with any tool (the editor,
// sqlite3) count, and so that one SQLite transaction changes the rows, the base and the
// release together: the file is either merged or left exactly as it was.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace tarnwick {

class CZoneDatabase;
class IMessageBox;

enum class PresetChange {
    Changed,    // untouched by the user; takes the shipped row
    Added,      // new in the shipped release
    Removed,    // gone from the shipped release and untouched by the user
    KeptEdited, // the shipped release changed or removed a row the user edited
    KeptInUse,  // gone from the shipped release, but it is the zone the settings show
    KeptOwn,    // the user's own zone holds the id of a new shipped row
};

struct PresetChangeItem {
    PresetChange change;
    std::int64_t id;
    std::string name;
};

struct PresetMerge {
    int userRelease = 0;    // the release the user's copy was made from or last merged with
    int shippedRelease = 0; // the release of the shipped copy
    bool adopted = false;   // the copy had no base rows yet: the shipped rows became its base
    std::vector<PresetChangeItem> items;
    // Zones whose row the merge changes, adds or removes.
    std::size_t ChangedZones() const;
};

// Keeps the rows of the database's presetTimeZones as the base its copies are compared with:
// the build does this for the database it ships, so that a fresh copy needs no write.
bool RecordPresetBase(CZoneDatabase& database, std::string& error);

// The shipped preset database for a data directory: beside the executable or in the installed
// data directory; empty when there is none or it is the data directory's own file.
std::string ShippedPresetPath(const std::string& dataDirectory);

// Copies the shipped presets into dataDirectory when it has no timezones.mdb yet. A failed
// copy is shown through messages; Connect then creates an empty database.
void InstallShippedPresets(const std::string& dataDirectory, IMessageBox& messages);

// The zones the settings that go with dataDirectory show (TIMEZONEID): the settings beside the
// data, or in the XDG configuration directory when the data is in the XDG data directory.
std::set<std::int64_t> ZonesInUse(const std::string& dataDirectory);

// Compares the open user database with the shipped file and, when apply is set, merges in one
// transaction: when the shipped release is newer than the user's, as described above; when the
// copy has no base rows or no release (one made before copies carried them, or built from a
// seed of unknown version), the shipped rows become its base and no row changes. merge says what
// was (or would be) done. False with error when the merge failed; the user's file is then as it
// was.
bool MergeShippedPresets(CZoneDatabase& user, const std::string& shippedPath,
                         const std::set<std::int64_t>& inUse, bool apply, PresetMerge& merge,
                         std::string& error);

// "Zone rules updated: 3 zones changed"; empty when no zone changed.
std::string PresetMergeSummary(const PresetMerge& merge);
// "changed", "added", "removed", "kept: edited", "kept: in use", "kept: own zone".
const char* PresetChangeName(PresetChange change);

// What every connection does after opening the user's database: merges a newer shipped release
// and says so once through messages (a failed merge is said too, and leaves the file alone).
// Nothing happens for a read-only copy or one without the zone table.
void UpdateFromShippedPresets(CZoneDatabase& user, const std::string& dataDirectory,
                              IMessageBox& messages);

} // namespace tarnwick
