// The computer's zone on Linux. glibc decides the offset of each instant (localtime_r); the
// Windows-style record with its nth-weekday rules is built from the rule that the zone file
// (or TZ itself) gives for times after its last listed transition.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/posix_tz.h"

namespace tarnwick {

namespace {

const char* const kSystemZoneFile = "/etc/localtime";

std::string ZoneInfoDirectory() {
    const char* dir = std::getenv("TZDIR");
    return dir != nullptr && *dir != '\0' ? dir : "/usr/share/zoneinfo";
}

// "Europe/Berlin" from ".../zoneinfo/Europe/Berlin"; empty when the path is not in a zone tree.
std::string ZoneNameFromPath(const std::string& path) {
    const std::string marker = "zoneinfo/";
    const std::size_t at = path.rfind(marker);
    if (at == std::string::npos) {
        return {};
    }
    std::string name = path.substr(at + marker.size());
    // Debian also ships the zones under posix/ and right/.
    for (const char* prefix : {"posix/", "right/"}) {
        if (name.rfind(prefix, 0) == 0) {
            name = name.substr(std::string(prefix).size());
        }
    }
    return name;
}

bool HasLetter(const std::string& text) {
    for (char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            return true;
        }
    }
    return false;
}

class SystemLocalZone final : public ILocalZone {
public:
    SystemLocalZone() {
        tzset(); // once: glibc's localtime_r does not look at TZ again
        const char* tz = std::getenv("TZ");
        if (tz == nullptr) {
            LoadSystemFile();
        } else if (*tz == '\0') {
            SetUtc(); // the C library reads an empty TZ as UTC
        } else {
            LoadFromTz(tz);
        }
    }

    TimeZoneInformation GetTimeZoneInformation() const override { return m_tzi; }

    LocalInstant At(std::int64_t unixSeconds) const override {
        if (m_utc) {
            return LocalInstant{0, false, "UTC"};
        }
        LocalInstant result;
        const std::time_t t = static_cast<std::time_t>(unixSeconds);
        std::tm parts{};
        if (localtime_r(&t, &parts) == nullptr) {
            // Out of the C library's range: keep the standard offset.
            result.offsetMinutes = -(m_tzi.Bias + m_tzi.StandardBias);
            result.abbreviation = m_tzi.StandardName;
            return result;
        }
        result.offsetMinutes = static_cast<int>(parts.tm_gmtoff / 60);
        result.isDst = parts.tm_isdst > 0;
        result.abbreviation = parts.tm_zone != nullptr ? parts.tm_zone : "";
        return result;
    }

    std::string DisplayName(std::int64_t unixSeconds) const override {
        const std::string abbreviation = At(unixSeconds).abbreviation;
        if (HasLetter(abbreviation) || m_zoneName.empty()) {
            return abbreviation;
        }
        return m_zoneName; // "-03" says less than "America/Sao_Paulo"
    }

private:
    void SetUtc() {
        m_utc = true;
        m_zoneName.clear();
        m_tzi = TimeZoneInformation{};
        m_tzi.StandardName = "UTC";
    }

    void LoadSystemFile() {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(kSystemZoneFile, error);
        std::string name = error ? std::string() : ZoneNameFromPath(target.string());
        if (name.empty()) {
            // A copied rather than linked /etc/localtime: Debian names the zone here.
            std::ifstream timezone("/etc/timezone");
            std::getline(timezone, name);
        }
        if (!LoadFile(kSystemZoneFile, name)) {
            SetUtc(); // no readable /etc/localtime: the C library uses UTC too
        }
    }

    // Like the C library: a leading ':' is dropped, then the text is tried as a zone file
    // (a path, or a name under the zone directory) and, failing that, as a POSIX rule.
    void LoadFromTz(std::string tz) {
        if (tz[0] == ':') {
            tz.erase(0, 1);
        }
        if (!tz.empty()) {
            const bool absolute = tz[0] == '/';
            const std::string path = absolute ? tz : ZoneInfoDirectory() + "/" + tz;
            if (LoadFile(path, absolute ? ZoneNameFromPath(tz) : tz)) {
                return;
            }
        }
        if (const std::optional<PosixTzRule> rule = ParsePosixTz(tz)) {
            ApplyRule(*rule);
            return;
        }
        // A name with no zone file, or a malformed rule: glibc quietly runs on UTC and reports
        // the text of TZ as the abbreviation. Say "UTC" instead.
        SetUtc();
    }

    // The zone file and its footer rule. False when the file is not a readable zone file.
    bool LoadFile(const std::string& path, const std::string& name) {
        const std::optional<std::string> footer = ReadTzifFooter(path);
        if (!footer) {
            return false;
        }
        m_zoneName = name;
        const std::optional<PosixTzRule> rule = ParsePosixTz(*footer);
        if (!rule) {
            // No rule beyond the listed transitions (or one we cannot read): describe the zone
            // by the offset in force now, without daylight rules.
            const LocalInstant now = At(SystemClock::Instance().NowUnixSeconds());
            m_tzi = TimeZoneInformation{};
            m_tzi.Bias = -now.offsetMinutes;
            m_tzi.StandardName = ZoneNameField(now.abbreviation);
            return true;
        }
        ApplyRule(*rule);
        return true;
    }

    // A rule the record cannot express (days of the year, transitions at negative hours) keeps
    // only its standard offset and names, without daylight rules. At() still follows the C
    // library, so the computer's own clock stays right; only the record lacks the rule.
    void ApplyRule(const PosixTzRule& rule) {
        std::string why;
        if (ToTimeZoneInformation(rule, m_tzi, why)) {
            return;
        }
        m_tzi = TimeZoneInformation{};
        m_tzi.Bias = -rule.stdOffsetSeconds / 60;
        m_tzi.StandardName = ZoneNameField(rule.stdAbbr);
        m_tzi.DaylightName = ZoneNameField(rule.dstAbbr);
    }

    bool m_utc = false;
    std::string m_zoneName; // "Europe/Berlin"; empty for a rule given in TZ
    TimeZoneInformation m_tzi;
};

} // namespace

std::unique_ptr<ILocalZone> MakeSystemLocalZone() {
    return std::make_unique<SystemLocalZone>();
}

FixedLocalZone::FixedLocalZone(int offsetMinutes, std::string name) {
    m_tzi.Bias = -offsetMinutes;
    m_tzi.StandardName = std::move(name);
}

LocalInstant FixedLocalZone::At(std::int64_t) const {
    return LocalInstant{-m_tzi.Bias, false, m_tzi.StandardName};
}

} // namespace tarnwick
