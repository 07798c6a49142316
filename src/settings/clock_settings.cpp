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

    const ClockSettings d; // the defaults
    CSettingsFile file;
    file.ReadString(path, "OTHERCOUNTRY", "COUNTRYNAME", s.otherCountryName, d.otherCountryName);
    file.ReadInt(path, "OTHERCOUNTRY", "COUNTRYOFFSET", s.otherCountryOffset, d.otherCountryOffset);
    file.ReadString(path, "YOURCOUNTRY", "COUNTRYNAME", s.yourCountryName, d.yourCountryName);
    file.ReadInt(path, "OPTIONS", "RUNOPTION", s.runOption, d.runOption);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEOPTION", s.checkTimeOption, d.checkTimeOption);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEUPDATEOPTION", s.checkTimeUpdateOption,
                 d.checkTimeUpdateOption);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEINTERVAL", s.checkTimeInterval, d.checkTimeInterval);
    file.ReadBool(path, "OPTIONS", "LOGINSTARTUP", s.loginStartup, d.loginStartup);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEHOURINTERVAL", s.checkTimeHourInterval,
                 d.checkTimeHourInterval);
    file.ReadBool(path, "OPTIONS", "CHECKTIMESTARTUP", s.checkTimeStartup, d.checkTimeStartup);
    file.ReadString(path, "OPTIONS", "USTIMESERVERS", s.usTimeServers, d.usTimeServers);
    file.ReadString(path, "OPTIONS", "CHECKTIMECUSTOMSERVERS", s.checkTimeCustomServers,
                    d.checkTimeCustomServers);
    file.ReadInt(path, "OPTIONS", "CHECKTIMEMARGINOFERROR", s.checkTimeMarginOfError,
                 d.checkTimeMarginOfError);
    file.ReadBool(path, "OPTIONS", "CLOCKBLUELCD", s.clockBlueLcd, d.clockBlueLcd);
    file.ReadBool(path, "OPTIONS", "TRANSPARENTSURROUNDINGSTODESKTOP", s.transparentToDesktop,
                  d.transparentToDesktop);
    file.ReadInt(path, "OTHERCOUNTRY", "TIMEZONEID", s.timeZoneId, d.timeZoneId);
    file.ReadBool(path, "OTHERCOUNTRY", "DAYLIGHTSAVINGSFLAG", s.daylightSavingsFlag,
                  d.daylightSavingsFlag);

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
