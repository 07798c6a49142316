// Zone databases seeded from fixtures under tests/data/zones/: one statement a line, lines
// starting with "--" are comments.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/message_box.h"
#include "support/test_data.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick::test {

inline testing::AssertionResult SeedZones(const std::string& dir, const std::string& fixture) {
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    db.SetLocation(dir, "timezones");
    std::ifstream in(TestDataPath("zones/" + fixture));
    if (!in || !db.Connect(ZoneCreateStatement())) {
        return testing::AssertionFailure() << "cannot seed " << dir << " from " << fixture;
    }
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.rfind("--", 0) != 0 && !db.Query(line)) {
            return testing::AssertionFailure() << fixture << ": " << line;
        }
    }
    if (!messages.shown.empty()) {
        return testing::AssertionFailure() << fixture << ": " << messages.shown.front().text;
    }
    return testing::AssertionSuccess();
}

} // namespace tarnwick::test
