// Zone databases for tests: opened as the program opens them, and seeded from fixtures under
// tests/data/ (one statement a line; lines starting with "--" are comments).
#pragma once

#include <fstream>
#include <string>

#include "platform/message_box.h"
#include "support/test_data.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick::test {

// Points db at dir/timezones.mdb and connects, creating the table in a new file.
inline bool ConnectZones(CZoneDatabase& db, const std::string& dir) {
    db.SetLocation(dir, "timezones");
    return db.Connect(ZoneCreateStatement());
}

// Runs the statements of the fixture (a path under tests/data/) on the database in dir. Returns
// what went wrong, or "" when every statement went in without a message.
inline std::string SeedZones(const std::string& dir, const std::string& fixture) {
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    std::ifstream in(TestDataPath(fixture));
    if (!in || !ConnectZones(db, dir)) {
        return "cannot seed " + dir + " from " + fixture;
    }
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.rfind("--", 0) != 0 && !db.Query(line)) {
            return fixture + ": " + line;
        }
    }
    return messages.shown.empty() ? "" : fixture + ": " + messages.shown.front().text;
}

} // namespace tarnwick::test
