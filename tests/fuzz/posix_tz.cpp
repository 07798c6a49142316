// POSIX TZ rule strings, as the footer of a TZif file or the TZ variable holds them, and their
// translation into the zone record's rules.
#include "platform/posix_tz.h"
#include "fuzz/fuzz_input.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<PosixTzRule> rule =
        ParsePosixTz(std::string(reinterpret_cast<const char*>(data), size));
    if (!rule) {
        return 0;
    }
    fuzz::Require(!rule->stdAbbr.empty() && (!rule->hasDst || !rule->dstAbbr.empty()),
                  "every period is named");
    TimeZoneInformation tzi;
    std::string why;
    if (!ToTimeZoneInformation(*rule, tzi, why)) {
        fuzz::Require(!why.empty(), "a refusal says why");
        return 0;
    }
    for (const TransitionRule& r : {tzi.StandardDate, tzi.DaylightDate}) {
        fuzz::Require(r.wMonth == 0 ||
                          (r.wMonth <= 12 && r.wDay >= 1 && r.wDay <= 5 && r.wDayOfWeek >= 0 &&
                           r.wDayOfWeek <= 6 && r.wHour >= 0 && r.wHour < 24 && r.wMinute < 60),
                      "a rule the record can hold");
    }
    return 0;
}
