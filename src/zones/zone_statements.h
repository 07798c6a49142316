// What the zone editor writes and shows, kept apart from its widgets: the code lists of its
// combo boxes, the SQL value texts read from the form, the INSERT and UPDATE statements that
// save a zone, the form's validation, and the conversions used when the computer's own zone
// is copied into the form. The dialog only moves texts between its controls and these.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

// One item of a code list: the text shown and the key stored in the column.
struct CodeItem {
    std::string text;
    std::string key;
};
using CodeList = std::vector<CodeItem>;

const CodeList& DayList();   // "Sunday" (0) .. "Saturday" (6)
const CodeList& WeekList();  // "First" (1) .. "Fourth" (4), "Last" (5)
const CodeList& MonthList(); // "January" (1), "Febuary" (2), .. "December" (12)
const CodeList& AmPmList();  // "AM" (1), "PM" (2)

// The decimal numbers first, first + step, .. up to last; each through PadTwoDigits when pad.
std::vector<std::string> NumberItems(int first, int last, int step, bool pad);

// What a combo box holds when a statement is built: its text field and, when one of its
// items is selected and that item carries a key, the key.
struct ComboText {
    std::string text;
    std::optional<std::string> selectedKey;
};

// The form's controls as texts, one member per column.
struct ZoneFormValues {
    std::string name;           // 1112
    std::string country;        // 1091 (hidden)
    std::string province;       // 1114 (hidden)
    std::string cities;         // 1092 (hidden)
    ComboText gmtBiasHour;      // 1137
    ComboText gmtBiasMinute;    // 1138
    bool dstUse = false;        // 1116
    std::string dstAbbr;        // 1128
    ComboText dstAmPm;          // 1134
    ComboText dstBiasHour;      // 1135
    ComboText dstBiasMinute;    // 1136
    ComboText dstDow;           // 1130
    ComboText dstHour;          // 1132
    ComboText dstMinute;        // 1133
    ComboText dstMonth;         // 1131
    ComboText dstStartCountDow; // 1129
    std::string stdAbbr;        // 1101
    ComboText stdAmPm;          // 1108
    ComboText stdBiasHour;      // 1117
    ComboText stdBiasMinute;    // 1118
    ComboText stdDow;           // 1104
    ComboText stdHour;          // 1106
    ComboText stdMinute;        // 1107
    ComboText stdMonth;         // 1105
    ComboText stdStartCountDow; // 1103
};

// The trimmed text between double quotes. A double quote inside the text is doubled, which the
// database layer reads back as one double quote, so a typed quote is stored as typed.
std::string QuoteValue(const std::string& text);
// An edit box: QuoteValue of its text ("" when empty).
std::string EditValue(const std::string& text);
// A combo box: the selected item's key quoted; else the typed text quoted; an empty text gives
// the bare digit 0.
std::string ComboValue(const ComboText& combo);
// A check box: "1" or "0" quoted.
std::string CheckValue(bool checked);

inline constexpr const char* kZoneTable = "presetTimeZones";

std::string BuildZoneInsert(const ZoneFormValues& form);
// The columns as the insert lists them; WHERE follows the last value after one blank.
std::string BuildZoneUpdate(const ZoneFormValues& form, std::int32_t timeZoneId);
std::string BuildZoneDelete(std::int32_t timeZoneId);

// The first failing check's message (texts trimmed), or empty when the form may be saved.
std::string ValidateZoneForm(const std::string& name, const std::string& gmtHourText,
                             const std::string& gmtMinuteText);
// The rule boxes (the daylight and standard times' hour, minute and bias) hold a list item, or
// typed text that must be empty or a whole number in the box's range, since the numeric columns
// would store any other text as 0. "" when they do; otherwise what to tell the user.
std::string ValidateZoneRuleBoxes(const ZoneFormValues& form);

// "I could not find the time zone id<id>.  Please close and open this window and try again."
std::string ZoneNotFoundMessage(std::int32_t timeZoneId);

// "# New" for a new row (id 0 or -1), else "# " and the id.
std::string RecordLabel(std::int32_t timeZoneId);

// A stored occurrence, month or AM/PM code as shown in its box: "0" (no rule) shows empty.
std::string StoredCodeText(const std::string& stored);

// Signed minutes as the hour and minute boxes show them: hours truncated toward zero, the
// minutes carrying the sign, padded. -210 -> "-3", "-30"; 330 -> "5", "30"; 60 -> "1", "00".
struct HourMinuteText {
    std::string hour;
    std::string minute;
};
HourMinuteText SplitMinutesText(int minutes);

// A rule's 24-hour wHour [0, 23] on the 12-hour clock of the form: the clock hour [1, 12] and
// the AM/PM item (text, key) - 0 -> 12 AM, 12 -> 12 PM, 13 -> 1 PM.
struct ClockHour {
    int hour = 12;
    CodeItem ampm;
};
ClockHour ToClockHour(int wHour);

} // namespace tarnwick
