// The columns of a presetTimeZones row, described once: name, SQL type and the ZoneColumns
// member each one fills. The create statement, the loader, the preset generator's inserts and
// the CLI's column listing are all derived from this table, so a column changes in one line.
#pragma once

#include <array>
#include <string>
#include <variant>
#include <vector>

#include "zones/zone_database.h"
#include "zones/zone_record.h"

namespace tarnwick {

struct ZoneColumn {
    const char* name;    // e.g. "m_GMTBiasHour"
    const char* sqlType; // as declared in the create statement, e.g. "short not null"
    std::variant<std::string ZoneColumns::*, int ZoneColumns::*> member;
    bool startsGroup = false; // the create statement writes "," without a blank before it
};

inline constexpr std::size_t kZoneColumnCount = 25;

// The 25 value columns in the order the create statement declares them (the key timeZoneID
// is not one of them).
const std::array<ZoneColumn, kZoneColumnCount>& ZoneColumnTable();

// "CREATE TABLE presetTimeZones (timeZoneID COUNTER, CONSTRAINT pkTimeZoneID PRIMARY
// KEY(timeZoneID),m_TimeZoneName char(255) not null, ..., m_DSTMinute short)".
const std::string& ZoneCreateStatement();

// A column's value in row as the database writes it: a text column double-quoted (a double
// quote inside doubled), a number in decimal.
std::string ZoneColumnValueText(const ZoneColumn& column, const ZoneColumns& row);

// True when every column the clock reads holds a value a real zone can have: offsets within
// 24 hours, minutes within an hour, and, for a zone with daylight saving, months 1-12,
// occurrences 1-5, weekdays 0-6, times of day 0:00-23:59. Otherwise false, with why naming
// the column and its value ("m_GMTBiasHour is 100000; it must be -24 to 24").
bool ValidateZoneColumns(const ZoneColumns& row, std::string& why);

// Sets the member of column in row from a field: a text column takes its text, a number
// column its ToInt.
void SetZoneColumn(const ZoneColumn& column, ZoneColumns& row, const CFieldValue& field);

} // namespace tarnwick
