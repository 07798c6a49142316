#include "zones/converter.h"

#include <cctype>

namespace tarnwick {

namespace {

const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
    return a - FloorDiv(a, b) * b;
}

std::string Lower(const std::string& text) {
    std::string lower;
    for (char c : text) {
        if (c != ' ') {
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return lower;
}

} // namespace

ConverterOffset ConverterOffsetFrom(std::int32_t yourOffsetMinutes,
                                    std::int32_t otherOffsetMinutes) {
    const std::int64_t difference =
        std::int64_t{otherOffsetMinutes} - std::int64_t{yourOffsetMinutes};
    ConverterOffset offset;
    offset.offsetHours = static_cast<int>(difference / 60); // C++ truncates toward zero
    offset.remainderMinutes = static_cast<int>(difference % 60);
    return offset;
}

DayHour ConvertDayHour(DayHour from, const ConverterOffset& offset, ConvertDirection direction) {
    const std::int64_t hours =
        direction == ConvertDirection::FromYours ? offset.offsetHours : -offset.offsetHours;
    const std::int64_t total = std::int64_t{from.hour} + hours;
    DayHour to;
    to.hour = static_cast<int>(FloorMod(total, 24));
    to.dayOfWeek = static_cast<int>(FloorMod(from.dayOfWeek + FloorDiv(total, 24), 7));
    return to;
}

const char* ConverterDayName(int dayOfWeek) {
    return dayOfWeek >= 0 && dayOfWeek < 7 ? kDayNames[dayOfWeek] : "";
}

std::string ConverterHourText(int hour) {
    if (hour < 0 || hour > 23) {
        return {};
    }
    const int twelve = hour % 12 == 0 ? 12 : hour % 12;
    return std::to_string(twelve) + (hour < 12 ? "am" : "pm");
}

std::string FormatDayHour(DayHour dayHour) {
    return std::string(ConverterDayName(dayHour.dayOfWeek)) + " " + ConverterHourText(dayHour.hour);
}

std::optional<int> ParseConverterDay(const std::string& text) {
    const std::string lower = Lower(text);
    for (int day = 0; day < 7; ++day) {
        if (lower == Lower(kDayNames[day])) {
            return day;
        }
    }
    return std::nullopt;
}

std::optional<int> ParseConverterHour(const std::string& text) {
    const std::string lower = Lower(text);
    for (int hour = 0; hour < 24; ++hour) {
        if (lower == ConverterHourText(hour)) {
            return hour;
        }
    }
    if (lower.empty() || lower.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : lower) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value <= 23 ? std::optional<int>(value) : std::nullopt;
}

std::string ConverterNote(const ConverterOffset& offset) {
    const int minutes =
        offset.remainderMinutes < 0 ? -offset.remainderMinutes : offset.remainderMinutes;
    if (minutes == 0) {
        return {};
    }
    return "Other Time is " + std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes") +
           (offset.remainderMinutes > 0 ? " further ahead" : " further behind");
}

} // namespace tarnwick
