#include "zones/zone_statements.h"

#include <charconv>
#include <initializer_list>
#include <system_error>
#include <utility>

#include "zones/zone_database.h"
#include "zones/zone_list.h"

namespace tarnwick {

const CodeList& DayList() {
    static const CodeList list = {{"Sunday", "0"},    {"Monday", "1"},   {"Tuesday", "2"},
                                  {"Wednesday", "3"}, {"Thursday", "4"}, {"Friday", "5"},
                                  {"Saturday", "6"}};
    return list;
}

const CodeList& WeekList() {
    static const CodeList list = {
        {"First", "1"}, {"Second", "2"}, {"Third", "3"}, {"Fourth", "4"}, {"Last", "5"}};
    return list;
}

const CodeList& MonthList() {
    static const CodeList list = {{"January", "1"},  {"Febuary", "2"},   {"March", "3"},
                                  {"April", "4"},    {"May", "5"},       {"June", "6"},
                                  {"July", "7"},     {"August", "8"},    {"September", "9"},
                                  {"October", "10"}, {"November", "11"}, {"December", "12"}};
    return list;
}

const CodeList& AmPmList() {
    static const CodeList list = {{"AM", "1"}, {"PM", "2"}};
    return list;
}

std::vector<std::string> NumberItems(int first, int last, int step, bool pad) {
    std::vector<std::string> items;
    if (step <= 0) {
        return items;
    }
    for (int n = first; n <= last; n += step) {
        const std::string text = std::to_string(n);
        items.push_back(pad ? PadTwoDigits(text) : text);
    }
    return items;
}

std::string QuoteValue(const std::string& text) {
    std::string quoted = "\"";
    for (char c : Trim(text)) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string EditValue(const std::string& text) {
    return QuoteValue(text);
}

std::string ComboValue(const ComboText& combo) {
    if (combo.selectedKey) {
        return QuoteValue(*combo.selectedKey);
    }
    if (combo.text.empty()) {
        return "0";
    }
    return QuoteValue(combo.text);
}

std::string CheckValue(bool checked) {
    return QuoteValue(checked ? "1" : "0");
}

namespace {

// The 25 columns in the order the insert lists them, with the value text of each.
std::vector<std::pair<const char*, std::string>> ColumnValues(const ZoneFormValues& f) {
    return {
        {"m_TimeZoneName", EditValue(f.name)},
        {"m_Country", EditValue(f.country)},
        {"m_Province", EditValue(f.province)},
        {"m_Cities", EditValue(f.cities)},
        {"m_GMTBiasHour", ComboValue(f.gmtBiasHour)},
        {"m_GMTBiasMinute", ComboValue(f.gmtBiasMinute)},
        {"m_DSTUse", CheckValue(f.dstUse)},
        {"m_DSTAbbr", EditValue(f.dstAbbr)},
        {"m_DSTAMPM", ComboValue(f.dstAmPm)},
        {"m_DSTBiasHour", ComboValue(f.dstBiasHour)},
        {"m_DSTBiasMinute", ComboValue(f.dstBiasMinute)},
        {"m_DSTDOW", ComboValue(f.dstDow)},
        {"m_DSTHour", ComboValue(f.dstHour)},
        {"m_DSTMinute", ComboValue(f.dstMinute)},
        {"m_DSTMonth", ComboValue(f.dstMonth)},
        {"m_DSTStartCountDOW", ComboValue(f.dstStartCountDow)},
        {"m_STDAbbr", EditValue(f.stdAbbr)},
        {"m_STDAMPM", ComboValue(f.stdAmPm)},
        {"m_STDBiasHour", ComboValue(f.stdBiasHour)},
        {"m_STDBiasMinute", ComboValue(f.stdBiasMinute)},
        {"m_STDDOW", ComboValue(f.stdDow)},
        {"m_STDHour", ComboValue(f.stdHour)},
        {"m_STDMinute", ComboValue(f.stdMinute)},
        {"m_STDMonth", ComboValue(f.stdMonth)},
        {"m_STDStartCountDOW", ComboValue(f.stdStartCountDow)},
    };
}

} // namespace

std::string BuildZoneInsert(const ZoneFormValues& form) {
    CInsertStatement insert(kZoneTable);
    for (const auto& [column, value] : ColumnValues(form)) {
        insert.Add(column, value);
    }
    return insert.BuildInsert();
}

std::string BuildZoneUpdate(const ZoneFormValues& f, std::int32_t timeZoneId) {
    std::string s = "UPDATE presetTimeZones SET m_TimeZoneName=" + EditValue(f.name);
    s += ",m_Country=" + EditValue(f.country);
    s += ",m_Province=" + EditValue(f.province);
    s += ",m_Cities=" + EditValue(f.cities) + ",";
    s += "m_GMTBiasHour=" + ComboValue(f.gmtBiasHour);
    s += ",m_GMTBiasMinute=" + ComboValue(f.gmtBiasMinute) + ",";
    s += "m_DSTUse=" + CheckValue(f.dstUse) + ", ";
    s += "m_DSTAbbr=" + EditValue(f.dstAbbr);
    s += ", m_DSTAMPM=" + ComboValue(f.dstAmPm);
    s += ", m_DSTBiasHour=" + ComboValue(f.dstBiasHour);
    s += ", m_DSTBiasMinute=" + ComboValue(f.dstBiasMinute);
    s += ", m_DSTDOW=" + ComboValue(f.dstDow);
    s += ", m_DSTHour=" + ComboValue(f.dstHour);
    s += ", m_DSTMinute=" + ComboValue(f.dstMinute);
    s += ", m_DSTMonth=" + ComboValue(f.dstMonth);
    s += ", m_DSTStartCountDOW=" + ComboValue(f.dstStartCountDow) + ",";
    s += "m_STDAbbr=" + EditValue(f.stdAbbr);
    s += ", m_STDAMPM=" + ComboValue(f.stdAmPm);
    s += ", m_STDBiasHour=" + ComboValue(f.stdBiasHour);
    s += ", m_STDBiasMinute=" + ComboValue(f.stdBiasMinute);
    s += ", m_STDDOW=" + ComboValue(f.stdDow);
    s += ", m_STDHour=" + ComboValue(f.stdHour);
    s += ", m_STDMinute=" + ComboValue(f.stdMinute);
    s += ", m_STDMonth=" + ComboValue(f.stdMonth);
    s += ", m_STDStartCountDOW=" + ComboValue(f.stdStartCountDow);
    // A blank before WHERE: a bare 0 as the last value would otherwise run into the keyword.
    s += " WHERE timeZoneID=" + std::to_string(timeZoneId);
    return s;
}

std::string BuildZoneDelete(std::int32_t timeZoneId) {
    return "DELETE FROM presetTimeZones WHERE timeZoneID=" + std::to_string(timeZoneId);
}

namespace {

bool WholeNumberIn(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

} // namespace

std::string ValidateZoneForm(const std::string& name, const std::string& gmtHourText,
                             const std::string& gmtMinuteText) {
    if (Trim(name).empty()) {
        return "You must name your timezone.";
    }
    if (Trim(gmtHourText).empty()) {
        return "You must set your GMT hour offset.";
    }
    if (Trim(gmtMinuteText).empty()) {
        return "You must set your GMT minute offset.";
    }
    // Typed text would be stored as 0 in the numeric columns: say so instead.
    if (!WholeNumberIn(Trim(gmtHourText), -24, 24)) {
        return "The GMT hour offset must be a whole number from -24 to 24.";
    }
    if (!WholeNumberIn(Trim(gmtMinuteText), -59, 59)) {
        return "The GMT minute offset must be a whole number from -59 to 59.";
    }
    return "";
}

std::string ValidateZoneRuleBoxes(const ZoneFormValues& form) {
    struct Box {
        const ComboText& combo;
        const char* name;
        int low, high;
    };
    const Box boxes[] = {
        {form.dstHour, "daylight time hour", 0, 23},
        {form.dstMinute, "daylight time minute", 0, 59},
        {form.dstBiasHour, "daylight time bias hour", -24, 24},
        {form.dstBiasMinute, "daylight time bias minute", -59, 59},
        {form.stdHour, "standard time hour", 0, 23},
        {form.stdMinute, "standard time minute", 0, 59},
        {form.stdBiasHour, "standard time bias hour", -24, 24},
        {form.stdBiasMinute, "standard time bias minute", -59, 59},
    };
    for (const Box& box : boxes) {
        const std::string text = Trim(box.combo.text);
        if (box.combo.selectedKey || text.empty() || WholeNumberIn(text, box.low, box.high)) {
            continue;
        }
        return std::string("The ") + box.name + " must be a whole number from " +
               std::to_string(box.low) + " to " + std::to_string(box.high) + ".";
    }
    return "";
}

std::string ZoneNotFoundMessage(std::int32_t timeZoneId) {
    return "I could not find the time zone id" + std::to_string(timeZoneId) +
           ".  Please close and open this window and try again.";
}

std::string RecordLabel(std::int32_t timeZoneId) {
    if (timeZoneId == 0 || timeZoneId == -1) {
        return "# New";
    }
    return "# " + std::to_string(timeZoneId);
}

std::string StoredCodeText(const std::string& stored) {
    return stored == "0" ? "" : stored;
}

HourMinuteText SplitMinutesText(int minutes) {
    const int hours = minutes / 60; // C++ division truncates toward zero
    const int rest = minutes - 60 * hours;
    return {std::to_string(hours), PadTwoDigits(std::to_string(rest))};
}

ClockHour ToClockHour(int wHour) {
    const bool pm = wHour >= 12 && wHour <= 23;
    ClockHour result;
    result.ampm = AmPmList()[pm ? 1 : 0];
    if (wHour >= 13 && wHour <= 23) {
        result.hour = wHour - 12;
    } else if (wHour == 0 || wHour == 12) {
        result.hour = 12;
    } else {
        result.hour = wHour;
    }
    return result;
}

} // namespace tarnwick
