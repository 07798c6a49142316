#include "zones/zone_columns.h"

#include <cstdlib>

namespace tarnwick {

const std::array<ZoneColumn, kZoneColumnCount>& ZoneColumnTable() {
    using C = ZoneColumns;
    static const std::array<ZoneColumn, kZoneColumnCount> table = {{
        {"m_TimeZoneName", "char(255) not null", &C::timeZoneName, true},
        {"m_Country", "char(40)", &C::country},
        {"m_Province", "char(40)", &C::province},
        {"m_Cities", "char(100)", &C::cities},
        {"m_GMTBiasHour", "short not null", &C::gmtBiasHour},
        {"m_GMTBiasMinute", "short not null", &C::gmtBiasMinute},
        {"m_DSTUse", "short not null", &C::dstUse},
        {"m_STDAbbr", "char(32)", &C::stdAbbr},
        {"m_STDAMPM", "short", &C::stdAmPm},
        {"m_STDBiasHour", "short", &C::stdBiasHour},
        {"m_STDBiasMinute", "short", &C::stdBiasMinute},
        {"m_STDStartCountDOW", "short", &C::stdStartCountDow},
        {"m_STDDOW", "short", &C::stdDow},
        {"m_STDMonth", "short", &C::stdMonth},
        {"m_STDHour", "short", &C::stdHour},
        {"m_STDMinute", "short", &C::stdMinute},
        {"m_DSTAbbr", "char(32)", &C::dstAbbr, true},
        {"m_DSTAMPM", "short", &C::dstAmPm},
        {"m_DSTBiasHour", "short", &C::dstBiasHour},
        {"m_DSTBiasMinute", "short", &C::dstBiasMinute},
        {"m_DSTStartCountDOW", "short", &C::dstStartCountDow},
        {"m_DSTDOW", "short", &C::dstDow},
        {"m_DSTMonth", "short", &C::dstMonth},
        {"m_DSTHour", "short", &C::dstHour},
        {"m_DSTMinute", "short", &C::dstMinute},
    }};
    return table;
}

const std::string& ZoneCreateStatement() {
    static const std::string statement = [] {
        // Existing databases were created from exactly this text; keep its spacing.
        std::string s = "CREATE TABLE presetTimeZones (timeZoneID COUNTER, CONSTRAINT "
                        "pkTimeZoneID PRIMARY KEY(timeZoneID)";
        for (const ZoneColumn& column : ZoneColumnTable()) {
            s += column.startsGroup ? "," : ", ";
            s += column.name;
            s += ' ';
            s += column.sqlType;
        }
        s += ")";
        return s;
    }();
    return statement;
}

std::string ZoneColumnValueText(const ZoneColumn& column, const ZoneColumns& row) {
    if (const auto* text_member = std::get_if<std::string ZoneColumns::*>(&column.member)) {
        std::string quoted = "\"";
        for (char c : row.**text_member) {
            if (c == '"') {
                quoted += '"';
            }
            quoted += c;
        }
        return quoted + '"';
    }
    return std::to_string(row.*std::get<int ZoneColumns::*>(column.member));
}

namespace {

bool InRange(const char* column, int value, int low, int high, std::string& why) {
    if (value >= low && value <= high) {
        return true;
    }
    why = std::string(column) + " is " + std::to_string(value) + "; it must be " +
          std::to_string(low) + " to " + std::to_string(high);
    return false;
}

bool ValidOffset(const char* hourColumn, int hour, const char* minuteColumn, int minute,
                 std::string& why) {
    if (!InRange(hourColumn, hour, -24, 24, why) || !InRange(minuteColumn, minute, -59, 59, why)) {
        return false;
    }
    if (std::abs(60 * hour + minute) > 24 * 60) {
        why = std::string(hourColumn) + " and " + minuteColumn + " give more than 24 hours";
        return false;
    }
    return true;
}

// The hour is on a 12-hour clock with AMPM, though a.m. hours up to 23 read as themselves.
bool ValidRule(const char* prefix, int month, int count, int dow, int hour, int minute,
               std::string& why) {
    const std::string p = prefix;
    return InRange((p + "Month").c_str(), month, 1, 12, why) &&
           InRange((p + "StartCountDOW").c_str(), count, 1, 5, why) &&
           InRange((p + "DOW").c_str(), dow, 0, 6, why) &&
           InRange((p + "Hour").c_str(), hour, 0, 23, why) &&
           InRange((p + "Minute").c_str(), minute, 0, 59, why);
}

} // namespace

bool ValidateZoneColumns(const ZoneColumns& row, std::string& why) {
    if (!ValidOffset("m_GMTBiasHour", row.gmtBiasHour, "m_GMTBiasMinute", row.gmtBiasMinute, why)) {
        return false;
    }
    if (row.dstUse == 0) {
        return true; // the rule columns are not read
    }
    return ValidOffset("m_STDBiasHour", row.stdBiasHour, "m_STDBiasMinute", row.stdBiasMinute,
                       why) &&
           ValidOffset("m_DSTBiasHour", row.dstBiasHour, "m_DSTBiasMinute", row.dstBiasMinute,
                       why) &&
           ValidRule("m_STD", row.stdMonth, row.stdStartCountDow, row.stdDow, row.stdHour,
                     row.stdMinute, why) &&
           ValidRule("m_DST", row.dstMonth, row.dstStartCountDow, row.dstDow, row.dstHour,
                     row.dstMinute, why);
}

void SetZoneColumn(const ZoneColumn& column, ZoneColumns& row, const CFieldValue& field) {
    if (const auto* text_member = std::get_if<std::string ZoneColumns::*>(&column.member)) {
        row.** text_member = field.Text();
    } else {
        row.*std::get<int ZoneColumns::*>(column.member) = field.ToInt();
    }
}

} // namespace tarnwick
