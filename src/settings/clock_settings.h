// The clock's settings, loaded from ClockInfo.dat in the fixed order, with every value or its
// default written back.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

class IRunAtLogin;

// Control ids stored by the radio-button settings.
enum : int {
    kRunNormal = 1056,
    kRunMinimized = 1057,
    kRunHidden = 1058,
    kCheckUsServers = 1052,
    kCheckCustomServers = 1053,
    kUpdateNever = 1068,
    kUpdatePrompt = 1069,
    kUpdateAutomatic = 1070,
    kCheckEveryHours = 1063,
    kCheckOnDialUp = 1064,
};

extern const char* const kDefaultUsTimeServers;
extern const char* const kSettingsFileName; // "ClockInfo.dat"

// Every setting with its default: what a first start writes to the file.
struct ClockSettings {
    std::string yourCountryName;                           // YOURCOUNTRY/COUNTRYNAME
    std::string otherCountryName = "Make your selection."; // OTHERCOUNTRY/COUNTRYNAME
    int otherCountryOffset = 8;                        // OTHERCOUNTRY/COUNTRYOFFSET, whole hours
    bool loginStartup = true;                          // OPTIONS/LOGINSTARTUP
    int runOption = kRunNormal;                        // OPTIONS/RUNOPTION
    int checkTimeOption = kCheckUsServers;             // OPTIONS/CHECKTIMEOPTION
    int checkTimeHourInterval = 180;                   // OPTIONS/CHECKTIMEHOURINTERVAL
    std::string usTimeServers = kDefaultUsTimeServers; // OPTIONS/USTIMESERVERS
    int checkTimeInterval = kCheckOnDialUp;            // OPTIONS/CHECKTIMEINTERVAL
    bool checkTimeStartup = false;                     // OPTIONS/CHECKTIMESTARTUP
    int checkTimeUpdateOption = kUpdatePrompt;         // OPTIONS/CHECKTIMEUPDATEOPTION
    std::string checkTimeCustomServers;                // OPTIONS/CHECKTIMECUSTOMSERVERS
    int checkTimeMarginOfError = 1;                    // OPTIONS/CHECKTIMEMARGINOFERROR, seconds
    bool clockBlueLcd = true;                          // OPTIONS/CLOCKBLUELCD
    bool transparentToDesktop = true;                  // OPTIONS/TRANSPARENTSURROUNDINGSTODESKTOP
    int timeZoneId = -1;                               // OTHERCOUNTRY/TIMEZONEID
    bool daylightSavingsFlag = false;                  // OTHERCOUNTRY/DAYLIGHTSAVINGSFLAG
};

// Reads the file once and takes the 17 keys in load order into settings (whose members keep
// their value when a number does not parse); the keys that are absent are then added with
// their defaults in one locked write. A file that has every key is never written, and a file's
// mode is never changed: a read-only file that lacks a key is not written (writeError says
// so). Then, when runAtLogin is given, writes the start-at-login entry to match LOGINSTARTUP.
// Returns the settings path. writeError (when given) receives the reason the file could not
// be written, or is cleared; the settings are read all the same.
// A file that exists but cannot be read, or does not look like a settings file (binary, NUL
// bytes, too large), gives every default and is left as it is; readError (when given) then
// says so ("the settings file PATH cannot be used (REASON); ..."), or is cleared.
std::string LoadSettings(const std::string& settingsDirectory, ClockSettings& settings,
                         IRunAtLogin* runAtLogin, std::string* writeError = nullptr,
                         std::string* readError = nullptr);

// The server list CHECKTIMEOPTION selects: the US servers, or the user's own.
const std::string& SelectedServerList(const ClockSettings& settings);

// directory + "/" + kSettingsFileName.
std::string SettingsFilePath(const std::string& settingsDirectory);

// The 17 settings in load order with their values as text ("%d" for numbers, 0 or 1 for
// flags), e.g. {"OTHERCOUNTRY", "COUNTRYNAME", "Make your selection."}.
struct SettingText {
    const char* section;
    const char* key;
    std::string value;
};
std::vector<SettingText> SettingsInLoadOrder(const ClockSettings& settings);

} // namespace tarnwick
