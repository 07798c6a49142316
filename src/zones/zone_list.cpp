#include "zones/zone_list.h"

#include "zones/zone_database.h"

namespace tarnwick {

const char* const kZoneListStatement =
    "SELECT timeZoneID,m_TimeZoneName,m_GMTBiasHour,m_GMTBiasMinute FROM presetTimeZones "
    "ORDER BY m_GMTBiasHour ASC, m_GMTBiasMinute ASC, m_TimeZoneName ASC";

std::string PadTwoDigits(const std::string& text) {
    return text.size() == 1 ? "0" + text : text;
}

const std::string& ZoneListSeparator() {
    static const std::string separator(120, '-');
    return separator;
}

std::vector<ZoneListItem> BuildZoneListItems(CZoneDatabase& database, bool* queried) {
    std::vector<ZoneListItem> items;
    const bool ok = database.Query(kZoneListStatement);
    if (queried != nullptr) {
        *queried = ok;
    }
    if (!ok) {
        return items;
    }
    std::vector<CFieldValue> parts;
    while (database.NextRecord()) {
        std::string hour =
            PadTwoDigits(CFieldValue::FromInt(database.GetField("m_GMTBiasHour").ToInt()).Text());
        if (hour.find('-') == std::string::npos) {
            hour = "+" + hour;
        }
        const std::string minute =
            PadTwoDigits(CFieldValue::FromInt(database.GetField("m_GMTBiasMinute").ToInt()).Text());
        const std::string key = database.GetField("timeZoneID").Text();
        database.GetField("m_TimeZoneName").Split(",", parts);
        for (const CFieldValue& part : parts) {
            if (!part.Text().empty()) {
                items.push_back({"(GMT" + hour + ":" + minute + ") " + part.Text(), key});
            }
        }
        items.push_back({ZoneListSeparator(), "-1"});
    }
    database.CloseRecordset();
    return items;
}

} // namespace tarnwick
