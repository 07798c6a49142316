#include "zones/us_daylight_message.h"

namespace tarnwick {

std::string UsDaylightSavingMessage(CLocalTimeInfo& localTime) {
    const DateTime now = localTime.GetNowLocal();
    const bool inDst = localTime.IsUSDaylightSavingTime(now);
    // Two blanks before the start's hour, one before the end's.
    const std::string dates = "Daylight Savings Time Starts:\n" +
                              localTime.GetUSStart().Format("%A, %B %d, %Y  %I:%M %p") +
                              "\n\nStandard Time Starts:\n" +
                              localTime.GetUSEnd().Format("%A, %B %d, %Y %I:%M %p");
    return "Currently " + now.Format("%A, %B %d, %Y") +
           (inDst ? " is Daylight Savings Time.\n\n" : " is Standard Time.\n\n") + dates;
}

} // namespace tarnwick
