#include "zones/zone_columns.h"

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

void SetZoneColumn(const ZoneColumn& column, ZoneColumns& row, const CFieldValue& field) {
    if (const auto* text_member = std::get_if<std::string ZoneColumns::*>(&column.member)) {
        row.** text_member = field.Text();
    } else {
        row.*std::get<int ZoneColumns::*>(column.member) = field.ToInt();
    }
}

} // namespace tarnwick
