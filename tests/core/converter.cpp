// The day-and-hour converter's arithmetic, its list texts and its note line.
#include <gtest/gtest.h>

#include "zones/converter.h"

namespace tarnwick {
namespace {

constexpr int kSun = 0, kMon = 1, kWed = 3, kThu = 4, kSat = 6;

// The offset in whole hours and what they leave out, which the note line tells.
TEST(Converter, OffsetAndNoteComeFromTheDifferenceInMinutes) {
    struct Row {
        int yours, other, hours, remainder;
        const char* note;
    };
    const Row rows[] = {
        // India +5:30 -> Newfoundland -3:30: exactly 9 h behind, and back.
        {330, -210, -9, 0, ""},
        {-210, 330, 9, 0, ""},
        {330, 60, -4, -30, "Other Time is 30 minutes further behind"}, // +5:30 -> +1
        {60, 330, 4, 30, "Other Time is 30 minutes further ahead"},
        {0, 345, 5, 45, "Other Time is 45 minutes further ahead"}, // UTC -> Nepal +5:45
        {0, -1, 0, -1, "Other Time is 1 minute further behind"},
        {60, 60, 0, 0, ""},                                               // the same zone
        {600, -570, -19, -30, "Other Time is 30 minutes further behind"}, // Sydney -> Marquesas
    };
    for (const Row& r : rows) {
        const ConverterOffset offset = ConverterOffsetFrom(r.yours, r.other);
        EXPECT_EQ(std::to_string(offset.offsetHours) + " " +
                      std::to_string(offset.remainderMinutes) + " " + ConverterNote(offset),
                  std::to_string(r.hours) + " " + std::to_string(r.remainder) + " " + r.note)
            << r.yours << " -> " << r.other;
    }
}

TEST(Converter, MovesDayAndHourInBothDirections) {
    struct Row {
        int offsetHours;
        DayHour from;
        ConvertDirection direction;
        DayHour expected;
    };
    const Row rows[] = {
        {9, {kWed, 20}, ConvertDirection::FromYours, {kThu, 5}},
        {-5, {kSun, 2}, ConvertDirection::FromYours, {kSat, 21}},
        {9, {kMon, 3}, ConvertDirection::FromOther, {kSun, 18}},
        {3, {kWed, 23}, ConvertDirection::FromYours, {kThu, 2}},
        {3, {kSat, 23}, ConvertDirection::FromYours, {kSun, 2}}, // the week wraps forward
        {-19, {kSun, 0}, ConvertDirection::FromYours, {kSat, 5}},
        {0, {kSat, 23}, ConvertDirection::FromOther, {kSat, 23}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ConvertDayHour(r.from, {r.offsetHours, 0}, r.direction), r.expected)
            << r.offsetHours << " from " << FormatDayHour(r.from);
    }
    // A conversion and its reverse give back where they started, for every day and hour.
    for (int offset = -26; offset <= 26; ++offset) {
        for (int day = 0; day < 7; ++day) {
            for (int hour = 0; hour < 24; ++hour) {
                const DayHour there =
                    ConvertDayHour({day, hour}, {offset, 0}, ConvertDirection::FromYours);
                ASSERT_EQ(ConvertDayHour(there, {offset, 0}, ConvertDirection::FromOther),
                          (DayHour{day, hour}));
            }
        }
    }
}

TEST(Converter, ListTextsAndTheirParsing) {
    const char* const texts[] = {"12am", "1am", "2am",  "3am",  "4am",  "5am", "6am",  "7am",
                                 "8am",  "9am", "10am", "11am", "12pm", "1pm", "2pm",  "3pm",
                                 "4pm",  "5pm", "6pm",  "7pm",  "8pm",  "9pm", "10pm", "11pm"};
    for (int hour = 0; hour < 24; ++hour) {
        EXPECT_EQ(ConverterHourText(hour), texts[hour]);
        EXPECT_EQ(ParseConverterHour(texts[hour]), hour);
        EXPECT_EQ(ParseConverterHour(std::to_string(hour)), hour);
    }
    EXPECT_EQ(FormatDayHour({kThu, 5}), "Thu 5am");
    EXPECT_EQ(ParseConverterHour("8PM"), 20);
    EXPECT_EQ(ParseConverterDay("sat"), kSat);
    for (const char* bad : {"", "24", "13pm", "0am", "-1", "8 o'clock", "123"}) {
        EXPECT_FALSE(ParseConverterHour(bad).has_value()) << bad;
    }
    for (const char* bad : {"", "Saturday", "Sa", "7"}) {
        EXPECT_FALSE(ParseConverterDay(bad).has_value()) << bad;
    }
}

} // namespace
} // namespace tarnwick
