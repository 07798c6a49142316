// The answer to "When is U.S. Day Light Savings Time?" in the configuration dialog.
#pragma once

#include <string>

#include "zones/local_time_info.h"

namespace tarnwick {

// "Currently <today> is Daylight Savings Time." (or "... is Standard Time.") followed by the
// start and end of this year's US daylight-saving period, on the rule in force since 2007.
std::string UsDaylightSavingMessage(CLocalTimeInfo& localTime);

} // namespace tarnwick
