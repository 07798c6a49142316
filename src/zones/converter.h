// The day-and-hour converter: a day of the week and an hour in the user's zone ("Your Time")
// turned into the other zone's ("Other Time") and back, as the converter dialog and
// tarnwick-cli convert show it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

// Both sides as list indexes: the day counted from Sunday = 0, the hour of the day.
struct DayHour {
    int dayOfWeek = 0; // [0, 6]
    int hour = 0;      // [0, 23]
    bool operator==(const DayHour&) const = default;
};

// The whole hours the lists move by, and what they leave out.
struct ConverterOffset {
    int offsetHours = 0;      // hours to add to "Your Time" to get "Other Time"
    int remainderMinutes = 0; // (other - yours) - 60 * offsetHours, in (-60, 60)
};

// From the two zones' current offsets (minutes east of UTC, daylight saving included): the
// hours of their difference in minutes, truncated toward zero, so +5:30 against -3:30 is 9.
ConverterOffset ConverterOffsetFrom(std::int32_t yourOffsetMinutes,
                                    std::int32_t otherOffsetMinutes);

enum class ConvertDirection {
    FromYours, // "Your Time" -> "Other Time": add the hours
    FromOther, // "Other Time" -> "Your Time": subtract them
};

// Moves day and hour by the offset's hours; the day follows whenever the hour passes midnight,
// whatever day of the week it is today.
DayHour ConvertDayHour(DayHour from, const ConverterOffset& offset, ConvertDirection direction);

// "Sun" .. "Sat" for 0 .. 6.
const char* ConverterDayName(int dayOfWeek);
// "12am", "1am" .. "11am", "12pm", "1pm" .. "11pm" for 0 .. 23.
std::string ConverterHourText(int hour);
// "Thu 5am".
std::string FormatDayHour(DayHour dayHour);
// A list's text ("Sat", "8pm"; any case) or, for hours, 0 .. 23; nullopt otherwise.
std::optional<int> ParseConverterDay(const std::string& text);
std::optional<int> ParseConverterHour(const std::string& text);

// The line under the lists when the zones are not a whole number of hours apart, e.g.
// "Other Time is 30 minutes further ahead"; empty when they are.
std::string ConverterNote(const ConverterOffset& offset);

} // namespace tarnwick
