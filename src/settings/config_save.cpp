#include "settings/config_save.h"

namespace tarnwick {

std::vector<ProfileEntry> ConfigSaveEntries(const ConfigDialogValues& v) {
    auto number = [](int n) { return std::to_string(n); };
    auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
    return {
        {"OTHERCOUNTRY", "COUNTRYNAME", v.otherCountryName},
        {"OTHERCOUNTRY", "COUNTRYOFFSET", v.otherCountryOffset},
        {"YOURCOUNTRY", "COUNTRYNAME", v.yourCountryName},
        {"OPTIONS", "RUNOPTION", number(v.runOption)},
        {"OPTIONS", "CHECKTIMEOPTION", number(v.checkTimeOption)},
        {"OPTIONS", "CHECKTIMEINTERVAL", number(v.checkTimeInterval)},
        {"OPTIONS", "CHECKTIMEUPDATEOPTION", number(v.checkTimeUpdateOption)},
        {"OPTIONS", "LOGINSTARTUP", flag(v.loginStartup)},
        {"OPTIONS", "CHECKTIMESTARTUP", flag(v.checkTimeStartup)},
        {"OPTIONS", "CHECKTIMEHOURINTERVAL", v.checkTimeHourInterval},
        {"OPTIONS", "CHECKTIMECUSTOMSERVERS", v.checkTimeCustomServers},
        {"OPTIONS", "CHECKTIMEMARGINOFERROR", v.checkTimeMarginOfError},
        {"OPTIONS", "TRANSPARENTSURROUNDINGSTODESKTOP", flag(v.transparentToDesktop)},
        {"OPTIONS", "CLOCKBLUELCD", flag(v.clockBlueLcd)},
        {"OTHERCOUNTRY", "DAYLIGHTSAVINGSFLAG", flag(v.daylightSavingsFlag)},
        {"OTHERCOUNTRY", "DAYLIGHTSAVINGSCHECKBOXEDITABLE",
         flag(v.daylightSavingsCheckboxEditable)},
    };
}

bool SaveConfigSettings(const std::string& path, const ConfigDialogValues& values,
                        std::string* error) {
    return WriteProfileStrings(path, ConfigSaveEntries(values), false, error);
}

} // namespace tarnwick
