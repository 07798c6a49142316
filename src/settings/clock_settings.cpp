#include "settings/clock_settings.h"

#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/run_at_login.h"
#include "settings/settings_file.h"

namespace tarnwick {

const char* const kSettingsFileName = "ClockInfo.dat";

// Public NIST servers (Gaithersburg, Maryland and Fort Collins, Colorado) that answer the
// Time Protocol on TCP port 37.
const char* const kDefaultUsTimeServers =
    "time-a-g.nist.gov,time-b-g.nist.gov,time-c-g.nist.gov,time-d-g.nist.gov,"
    "time-a-wwv.nist.gov,time-b-wwv.nist.gov,time-c-wwv.nist.gov";

std::string SettingsFilePath(const std::string& settingsDirectory) {
    if (settingsDirectory.empty()) {
        return kSettingsFileName;
    }
    if (settingsDirectory.back() == '/') {
        return settingsDirectory + kSettingsFileName;
    }
    return settingsDirectory + "/" + kSettingsFileName;
}

std::string LoadSettings(const std::string& settingsDirectory, ClockSettings& s,
                         IRunAtLogin* runAtLogin, std::string* writeError) {
    const std::string path = SettingsFilePath(settingsDirectory);

    // A read-only file would refuse the write-backs below.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
    }

    CSettingsFile file;
    file.ReadString(path, "OTHERCOUNTRY", "COUNTRYNAME", s.otherCountryName,
                    "Make your selection.");
    file.ReadInt(path, "OTHERCOUNTRY", "COUNTRYOFFSET", s.otherCountryOffset, 8);
    file.ReadString(path, "YOURCOUNTRY", "COUNTRYNAME", s.yourCountryName, "");
    file.ReadInt(path, "OPTIONS", "RUNOPTION", s.runOption, kRunNormal);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEOPTION", s.checkTimeOption, kCheckUsServers);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEUPDATEOPTION", s.checkTimeUpdateOption, kUpdatePrompt);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEINTERVAL", s.checkTimeInterval, kCheckOnDialUp);
    file.ReadBool(path, "OPTIONS", "LOGINSTARTUP", s.loginStartup, true);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEHOURINTERVAL", s.checkTimeHourInterval, 180);
    file.ReadBool(path, "OPTIONS", "CHECKTIMESTARTUP", s.checkTimeStartup, false);
    file.ReadString(path, "OPTIONS", "USTIMESERVERS", s.usTimeServers, kDefaultUsTimeServers);
    file.ReadString(path, "OPTIONS", "CHECKTIMECUSTOMSERVERS", s.checkTimeCustomServers, "");
    file.ReadInt(path, "OPTIONS", "CHECKTIMEMARGINOFERROR", s.checkTimeMarginOfError, 1);
    file.ReadBool(path, "OPTIONS", "CLOCKBLUELCD", s.clockBlueLcd, true);
    file.ReadBool(path, "OPTIONS", "TRANSPARENTSURROUNDINGSTODESKTOP", s.transparentToDesktop,
                  true);
    file.ReadInt(path, "OTHERCOUNTRY", "TIMEZONEID", s.timeZoneId, -1);
    file.ReadBool(path, "OTHERCOUNTRY", "DAYLIGHTSAVINGSFLAG", s.daylightSavingsFlag, false);

    if (writeError != nullptr) {
        *writeError = file.LastError();
    }
    if (runAtLogin != nullptr) {
        runAtLogin->WriteRunValue("Tarnwick", s.loginStartup, ExecutablePath());
    }
    return path;
}

std::vector<SettingText> SettingsInLoadOrder(const ClockSettings& s) {
    auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
    return {
        {"OTHERCOUNTRY", "COUNTRYNAME", s.otherCountryName},
        {"OTHERCOUNTRY", "COUNTRYOFFSET", std::to_string(s.otherCountryOffset)},
        {"YOURCOUNTRY", "COUNTRYNAME", s.yourCountryName},
        {"OPTIONS", "RUNOPTION", std::to_string(s.runOption)},
        {"OPTIONS", "CHECKTIMEOPTION", std::to_string(s.checkTimeOption)},
        {"OPTIONS", "CHECKTIMEUPDATEOPTION", std::to_string(s.checkTimeUpdateOption)},
        {"OPTIONS", "CHECKTIMEINTERVAL", std::to_string(s.checkTimeInterval)},
        {"OPTIONS", "LOGINSTARTUP", flag(s.loginStartup)},
        {"OPTIONS", "CHECKTIMEHOURINTERVAL", std::to_string(s.checkTimeHourInterval)},
        {"OPTIONS", "CHECKTIMESTARTUP", flag(s.checkTimeStartup)},
        {"OPTIONS", "USTIMESERVERS", s.usTimeServers},
        {"OPTIONS", "CHECKTIMECUSTOMSERVERS", s.checkTimeCustomServers},
        {"OPTIONS", "CHECKTIMEMARGINOFERROR", std::to_string(s.checkTimeMarginOfError)},
        {"OPTIONS", "CLOCKBLUELCD", flag(s.clockBlueLcd)},
        {"OPTIONS", "TRANSPARENTSURROUNDINGSTODESKTOP", flag(s.transparentToDesktop)},
        {"OTHERCOUNTRY", "TIMEZONEID", std::to_string(s.timeZoneId)},
        {"OTHERCOUNTRY", "DAYLIGHTSAVINGSFLAG", flag(s.daylightSavingsFlag)},
    };
}

} // namespace tarnwick
