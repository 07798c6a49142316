#include "settings/clock_settings.h"

#include <optional>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/product.h"
#include "platform/run_at_login.h"
#include "settings/profile_file.h"
#include "settings/settings_file.h"

namespace tarnwick {

const char* const kSettingsFileName = "ClockInfo.dat";

// Public NIST servers (Gaithersburg, Maryland and Fort Collins, Colorado) that answer the
// Time Protocol on TCP port 37.
const char* const kDefaultUsTimeServers =
    "time-a-g.nist.gov,time-b-g.nist.gov,time-c-g.nist.gov,time-d-g.nist.gov,"
    "time-a-wwv.nist.gov,time-b-wwv.nist.gov,time-c-wwv.nist.gov";

const std::string& SelectedServerList(const ClockSettings& settings) {
    return settings.checkTimeOption == kCheckUsServers ? settings.usTimeServers
                                                       : settings.checkTimeCustomServers;
}

std::string SettingsFilePath(const std::string& settingsDirectory) {
    if (settingsDirectory.empty()) {
        return kSettingsFileName;
    }
    if (settingsDirectory.back() == '/') {
        return settingsDirectory + kSettingsFileName;
    }
    return settingsDirectory + "/" + kSettingsFileName;
}

namespace {

// The values of one read of the file; a key that is absent gives its default, which is kept
// for the one write-back at the end.
class SettingsReader {
public:
    explicit SettingsReader(std::string text) : m_text(std::move(text)) {}

    // maxLength: how much of the stored value is read (more than kMaxProfileValueLength only
    // where a longer value is refused rather than cut, as for the server lists).
    void String(const char* section, const char* key, std::string& out,
                const std::string& defaultValue, std::size_t maxLength = kMaxProfileValueLength) {
        out = Value(section, key, defaultValue.substr(0, kMaxProfileValueLength), maxLength);
    }
    void Int(const char* section, const char* key, int& out, int defaultValue) {
        CSettingsFile::ParseLeadingInt(Value(section, key, std::to_string(defaultValue)), out);
    }
    void Bool(const char* section, const char* key, bool& out, bool defaultValue) {
        int value = 0; // text that is not a number reads as false
        Int(section, key, value, defaultValue ? 1 : 0);
        out = value != 0;
    }

    const std::vector<ProfileEntry>& Missing() const { return m_missing; }

private:
    std::string Value(const char* section, const char* key, std::string defaultValue,
                      std::size_t maxLength = kMaxProfileValueLength) {
        if (std::optional<std::string> found = FindProfileValue(m_text, section, key, maxLength)) {
            return std::move(*found);
        }
        m_missing.push_back({section, key, defaultValue});
        return defaultValue;
    }

    std::string m_text;
    std::vector<ProfileEntry> m_missing;
};

} // namespace

std::string LoadSettings(const std::string& settingsDirectory, ClockSettings& s,
                         IRunAtLogin* runAtLogin, std::string* writeError, std::string* readError) {
    const std::string path = SettingsFilePath(settingsDirectory);

    // One read for all 17 keys; a file that cannot be used gives the defaults and is not written.
    std::string bytes;
    std::string reason;
    if (ReadWholeFile(path, bytes, &reason) == FileReadStatus::Unreadable) {
        reason.erase(0, reason.rfind(path + ": ", 0) == 0 ? path.size() + 2 : 0); // "PATH: why"
    } else if (LooksLikeProfileText(bytes, &reason)) {
        reason.clear();
    }
    if (!reason.empty()) {
        bytes.clear();
    }
    if (readError != nullptr) {
        *readError = reason.empty() ? std::string()
                                    : "the settings file " + path + " cannot be used (" + reason +
                                          "); the default settings are used and the file is "
                                          "left as it is";
    }
    const ClockSettings d; // the defaults
    SettingsReader file(std::move(bytes));
    file.String("OTHERCOUNTRY", "COUNTRYNAME", s.otherCountryName, d.otherCountryName);
    file.Int("OTHERCOUNTRY", "COUNTRYOFFSET", s.otherCountryOffset, d.otherCountryOffset);
    file.String("YOURCOUNTRY", "COUNTRYNAME", s.yourCountryName, d.yourCountryName);
    file.Int("OPTIONS", "RUNOPTION", s.runOption, d.runOption);
    file.Int("OPTIONS", "CHECKTIMEOPTION", s.checkTimeOption, d.checkTimeOption);
    file.Int("OPTIONS", "CHECKTIMEUPDATEOPTION", s.checkTimeUpdateOption, d.checkTimeUpdateOption);
    file.Int("OPTIONS", "CHECKTIMEINTERVAL", s.checkTimeInterval, d.checkTimeInterval);
    file.Bool("OPTIONS", "LOGINSTARTUP", s.loginStartup, d.loginStartup);
    file.Int("OPTIONS", "CHECKTIMEHOURINTERVAL", s.checkTimeHourInterval, d.checkTimeHourInterval);
    file.Bool("OPTIONS", "CHECKTIMESTARTUP", s.checkTimeStartup, d.checkTimeStartup);
    // A server list is read whole: one cut mid-entry would name another host.
    file.String("OPTIONS", "USTIMESERVERS", s.usTimeServers, d.usTimeServers, std::string::npos);
    file.String("OPTIONS", "CHECKTIMECUSTOMSERVERS", s.checkTimeCustomServers,
                d.checkTimeCustomServers, std::string::npos);
    file.Int("OPTIONS", "CHECKTIMEMARGINOFERROR", s.checkTimeMarginOfError,
             d.checkTimeMarginOfError);
    file.Bool("OPTIONS", "CLOCKBLUELCD", s.clockBlueLcd, d.clockBlueLcd);
    file.Bool("OPTIONS", "TRANSPARENTSURROUNDINGSTODESKTOP", s.transparentToDesktop,
              d.transparentToDesktop);
    file.Int("OTHERCOUNTRY", "TIMEZONEID", s.timeZoneId, d.timeZoneId);
    file.Bool("OTHERCOUNTRY", "DAYLIGHTSAVINGSFLAG", s.daylightSavingsFlag, d.daylightSavingsFlag);

    // Only a file that lacks a key is written: a complete file, protected or not, is left
    // exactly as it is.
    std::string error;
    if (reason.empty() && !file.Missing().empty()) {
        WriteProfileStrings(path, file.Missing(), true, &error);
    }
    if (writeError != nullptr) {
        *writeError = error;
    }
    if (runAtLogin != nullptr) {
        runAtLogin->WriteRunValue(kProductName, s.loginStartup, ExecutablePath());
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
