// Zone rows written in a test as "NAME=VALUE ..." with the table's column names.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick::test {

// Sets the columns given as the loader does; the others keep their values.
inline void SetColumns(ZoneColumns& row, const std::string& assignments) {
    std::istringstream in(assignments);
    for (std::string item; in >> item;) {
        const std::string name = item.substr(0, item.find('='));
        const auto& table = ZoneColumnTable();
        const auto column = std::find_if(table.begin(), table.end(),
                                         [&](const ZoneColumn& c) { return name == c.name; });
        ASSERT_NE(column, table.end()) << item;
        SetZoneColumn(*column, row, CFieldValue(item.substr(name.size() + 1)));
    }
}

} // namespace tarnwick::test
