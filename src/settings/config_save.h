// What the configuration dialog's Save writes, in its order: the fields' texts as typed, the
// four radio groups' control ids and the check boxes as 0 or 1.
#pragma once

#include <string>
#include <vector>

#include "settings/profile_file.h"

namespace tarnwick {

struct ConfigDialogValues {
    std::string otherCountryName;   // field 1008
    std::string otherCountryOffset; // hidden field 1009
    std::string yourCountryName;    // hidden field 1007
    int runOption = 0;
    int checkTimeOption = 0;
    int checkTimeInterval = 0;
    int checkTimeUpdateOption = 0;
    bool loginStartup = false;
    bool checkTimeStartup = false;
    std::string checkTimeHourInterval;  // field 1049
    std::string checkTimeCustomServers; // field 1065
    std::string checkTimeMarginOfError; // field 1071
    bool transparentToDesktop = false;
    bool clockBlueLcd = false;
    bool daylightSavingsFlag = false; // hidden check box 1086
    bool daylightSavingsCheckboxEditable = false;
};

// The entries in the order Save writes them.
std::vector<ProfileEntry> ConfigSaveEntries(const ConfigDialogValues& values);

// Writes them to the settings file at path in one locked, atomic write: all land or none
// does, and error (with the path) says why.
bool SaveConfigSettings(const std::string& path, const ConfigDialogValues& values,
                        std::string* error);

} // namespace tarnwick
