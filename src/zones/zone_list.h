// The zone list as the editor and `tarnwick-cli zones list` show it: presets ordered by
// G.M.T. offset then name, one item per comma-separated part of the name, each row's items
// followed by a separator.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarnwick {

class CZoneDatabase;

struct ZoneListItem {
    std::string text; // "(GMT-5:00) Eastern Time"
    std::string key;  // the row's timeZoneID in decimal; "-1" for a separator
    bool IsSeparator() const { return key == "-1"; }
};

// "0" is put in front of a one-character text; any other text is returned unchanged
// ("5" -> "05"; "-5", "12", "-30" unchanged).
std::string PadTwoDigits(const std::string& text);

// 120 dashes.
const std::string& ZoneListSeparator();

// The statement that reads the list, in the list's order.
extern const char* const kZoneListStatement;

// Runs the list statement and builds the items; empty when the query fails (the database
// layer has shown why, and queried, when given, is set to false).
std::vector<ZoneListItem> BuildZoneListItems(CZoneDatabase& database, bool* queried = nullptr);

} // namespace tarnwick
