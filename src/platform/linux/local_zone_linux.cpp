// The computer's zone on Linux. glibc decides the offset of each instant (localtime_r); the
// Windows-style record with its nth-weekday rules is built from the rule that the zone file
// (or TZ itself) gives for times after its last listed transition.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>

#include "platform/clock.h"
#include "platform/local_zone.h"
#include "platform/posix_tz.h"

namespace tarnwick {

namespace {

const char* const kSystemZoneFile = "/etc/localtime";

// What decides the zone, as the C library sees it: the text of TZ when set (glibc reads a
// zone file again only when TZ changes), else what /etc/localtime links to and the identity
// and time of the file it leads to (an update of the link or a copy in its place).
struct ZoneSource {
    std::optional<std::string> tz;
    std::string linkTarget;
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedSeconds = 0;
    long modifiedNanoseconds = 0;
    bool operator==(const ZoneSource&) const = default;
};

ZoneSource ReadZoneSource(const std::string& systemZoneFile) {
    ZoneSource source;
    if (const char* tz = std::getenv("TZ")) {
        source.tz = tz;
        return source;
    }
    std::error_code error;
    source.linkTarget = std::filesystem::read_symlink(systemZoneFile, error).string();
    struct stat st {};
    if (::stat(systemZoneFile.c_str(), &st) == 0) {
        source.exists = true;
        source.device = st.st_dev;
        source.inode = st.st_ino;
        source.size = st.st_size;
        source.modifiedSeconds = st.st_mtim.tv_sec;
        source.modifiedNanoseconds = st.st_mtim.tv_nsec;
    }
    return source;
}

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
    explicit SystemLocalZone(std::string systemZoneFile)
        : m_systemZoneFile(std::move(systemZoneFile)) {
        Load(ReadZoneSource(m_systemZoneFile));
    }

    TimeZoneInformation GetTimeZoneInformation() const override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_tzi;
    }

    LocalInstant At(std::int64_t unixSeconds) const override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return AtLocked(unixSeconds);
    }

    std::string DisplayName(std::int64_t unixSeconds) const override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const std::string abbreviation = AtLocked(unixSeconds).abbreviation;
        if (HasLetter(abbreviation) || m_zoneName.empty()) {
            return abbreviation;
        }
        return m_zoneName; // "-03" says less than "America/Sao_Paulo"
    }

    bool Refresh() const override {
        ZoneSource source = ReadZoneSource(m_systemZoneFile);
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (source == m_source) {
            return false;
        }
        Load(std::move(source));
        return true;
    }

private:
    // With m_mutex held (or from the constructor).
    void Load(ZoneSource source) const {
        m_source = std::move(source);
        m_utc = false;
        m_zoneName.clear();
        m_tzi = TimeZoneInformation{};
        tzset(); // glibc's localtime_r does not look at TZ or /etc/localtime by itself
        if (!m_source.tz) {
            LoadSystemFile();
        } else if (m_source.tz->empty()) {
            SetUtc(); // the C library reads an empty TZ as UTC
        } else {
            LoadFromTz(*m_source.tz);
        }
    }

    LocalInstant AtLocked(std::int64_t unixSeconds) const {
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

    void SetUtc() const {
        m_utc = true;
        m_zoneName.clear();
        m_tzi = TimeZoneInformation{};
        m_tzi.StandardName = "UTC";
    }

    void LoadSystemFile() const {
        std::string name = ZoneNameFromPath(m_source.linkTarget);
        if (name.empty()) {
            // A copied rather than linked /etc/localtime: Debian names the zone here.
            std::ifstream timezone("/etc/timezone");
            std::getline(timezone, name);
        }
        if (!LoadFile(m_systemZoneFile, name)) {
            SetUtc(); // no readable /etc/localtime: the C library uses UTC too
        }
    }

    // Like the C library: a leading ':' is dropped, then the text is tried as a zone file
    // (a path, or a name under the zone directory) and, failing that, as a POSIX rule.
    void LoadFromTz(std::string tz) const {
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
    bool LoadFile(const std::string& path, const std::string& name) const {
        const std::optional<std::string> footer = ReadTzifFooter(path);
        if (!footer) {
            return false;
        }
        m_zoneName = name;
        const std::optional<PosixTzRule> rule = ParsePosixTz(*footer);
        if (!rule) {
            // No rule beyond the listed transitions (or one we cannot read): describe the zone
            // by the offset in force now, without daylight rules.
            const LocalInstant now = AtLocked(SystemClock::Instance().NowUnixSeconds());
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
    void ApplyRule(const PosixTzRule& rule) const {
        std::string why;
        if (ToTimeZoneInformation(rule, m_tzi, why)) {
            return;
        }
        m_tzi = TimeZoneInformation{};
        m_tzi.Bias = -rule.stdOffsetSeconds / 60;
        m_tzi.StandardName = ZoneNameField(rule.stdAbbr);
        m_tzi.DaylightName = ZoneNameField(rule.dstAbbr);
    }

    const std::string m_systemZoneFile;
    // The zone is the computer's, which changes under the program: Refresh, a const
    // operation, brings these up to date under the mutex.
    mutable std::mutex m_mutex;
    mutable ZoneSource m_source;
    mutable bool m_utc = false;
    mutable std::string m_zoneName; // "Europe/Berlin"; empty for a rule given in TZ
    mutable TimeZoneInformation m_tzi;
};

} // namespace

std::unique_ptr<ILocalZone> MakeSystemLocalZone() {
    return std::make_unique<SystemLocalZone>(kSystemZoneFile);
}

std::unique_ptr<ILocalZone> MakeSystemLocalZone(const std::string& systemZoneFile) {
    return std::make_unique<SystemLocalZone>(systemZoneFile);
}

FixedLocalZone::FixedLocalZone(int offsetMinutes, std::string name) {
    m_tzi.Bias = -offsetMinutes;
    m_tzi.StandardName = std::move(name);
}

LocalInstant FixedLocalZone::At(std::int64_t) const {
    return LocalInstant{-m_tzi.Bias, false, m_tzi.StandardName};
}

} // namespace tarnwick
