#include "update/update_checker.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/http_download.h"
#include "platform/local_zone.h"
#include "platform/product.h"
#include "platform/url_opener.h"
#include "settings/profile_file.h"
#include "update/web_url.h"
#include "zones/date_time.h"

namespace tarnwick {

namespace {

// A version from a file: "nan" or "inf" would differ from every version, itself included, and
// so be offered on every run however often it is declined; they read as absent.
double FiniteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

// The log file's value without writing a default back (for runs that leave the log alone).
template <typename T, typename Parse>
T PeekValue(const std::string& path, const std::string& section, const char* key, T fallback,
            Parse parse) {
    T value = fallback;
    std::string text;
    if (ReadProfileValue(path, section, key, text) == ProfileLookup::Found) {
        parse(text, value);
    }
    return value;
}

// The characters of text: UTF-8 when all of it is valid UTF-8 (no overlong forms, surrogates
// or values above U+10FFFF), else Latin-1, one character per byte.
std::u32string DecodeUtf8OrLatin1(std::string_view text) {
    static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000}; // by length
    std::u32string characters;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        bool valid = (lead < 0x80 || lead >= 0xC2) && lead <= 0xF4 && i + length <= text.size();
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid || c < kShortest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            characters.clear();
            for (const char byte : text) {
                characters.push_back(static_cast<unsigned char>(byte));
            }
            return characters;
        }
        characters.push_back(c);
        i += length;
    }
    return characters;
}

void AppendUtf8(std::string& out, char32_t c) {
    const auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

} // namespace

void LogToStderr(const std::string& line) {
    std::fprintf(stderr, "%s update check: %s\n", kProductName, line.c_str());
}

std::string UpdateInfoFilePath(const std::string& dataDirectory) {
    return dataDirectory + kUpdateInfoFileName;
}

std::string UpdateLogFilePath(const std::string& updateInfoPath) {
    return updateInfoPath + kUpdateLogSuffix;
}

std::string UpdateInfoUrl(const std::string& siteUrl) {
    std::string root = siteUrl;
    while (!root.empty() && root.back() == '/') {
        root.pop_back();
    }
    return root + kUpdateInfoPath;
}

int LocalDayOfMonth(const IClock& clock, const ILocalZone& zone) {
    const std::int64_t utc = clock.NowUnixSeconds();
    const std::int64_t local = utc + std::int64_t{zone.At(utc).offsetMinutes} * 60;
    return DateTime::FromUnixSeconds(local).GetDay();
}

bool DownloadUrlToFile(IHttpDownloader& downloader, const std::string& url, const std::string& path,
                       const std::string& section, std::string* error, std::stop_token stop) {
    HttpResponse response = downloader.Get(url, stop);
    std::string why;
    if (response.ok && !LooksLikeProfileText(response.body, &why)) {
        response.error = "the answer from " + url + " is not an update-info file (" + why + ")";
    } else if (response.ok && !HasProfileSection(response.body, section)) {
        response.error =
            "the answer from " + url + " is not an update-info file (no [" + section + "] section)";
    } else if (response.ok) {
        return WriteFileAtomically(path, response.body, error);
    }
    if (error != nullptr) {
        *error = response.error;
    }
    return false;
}

bool OpenInBrowser(IUrlOpener& opener, const std::string& url, const UpdateLog& log) {
    if (!IsWebUrl(url)) {
        log("not opening \"" + CleanNoticeText(url) +
            "\": only http and https addresses are opened");
        return false;
    }
    if (!opener.Open(url)) {
        log("the desktop could not open " + url);
        return false;
    }
    return true;
}

std::string CleanNoticeText(const std::string& text, std::size_t maxCharacters) {
    const std::u32string characters = DecodeUtf8OrLatin1(text);
    std::string clean;
    std::size_t kept = 0;
    for (const char32_t c : characters) {
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) { // C0, DEL and C1
            continue;
        }
        if (kept == maxCharacters) {
            break;
        }
        AppendUtf8(clean, c);
        ++kept;
    }
    return clean;
}

CUpdateChecker::CUpdateChecker(const IClock& clock, const ILocalZone& zone,
                               IHttpDownloader& downloader, UpdateLog log)
    : m_clock(clock), m_zone(zone), m_downloader(downloader), m_log(std::move(log)) {
    if (!m_log) {
        m_log = [](const std::string&) {};
    }
}

bool CUpdateChecker::Check(UpdateCheckInfo& info, const std::string& path,
                           const UpdateCheckOptions& options) {
    m_versionDiffers = false;
    m_downloaded = false;
    m_downloadFailed = false;
    m_downloadError.clear();
    m_settings.ClearLastError();
    const std::string logPath = UpdateLogFilePath(path);
    const std::string& section = info.productName;

    const int today = LocalDayOfMonth(m_clock, m_zone);
    int lastDay = 0;
    double declined = 0.0;
    if (options.ignoreDayRule) {
        declined =
            PeekValue(logPath, section, "NOTOVERSION", 0.0, CSettingsFile::ParseLeadingDouble);
    } else {
        m_settings.ReadInt(logPath, section, "LASTDAYCHECK", lastDay, 0);
        m_settings.ReadDouble(logPath, section, "NOTOVERSION", declined, 0.0);
    }
    info.declinedVersion = FiniteOr(declined, 0.0);
    info.message.clear();

    if (options.ignoreDayRule || lastDay != today) {
        // The day goes into the log before the download, so a failed attempt is not repeated
        // that day. A log that cannot be written would mean a download on every check: that
        // counts as a failed download.
        bool failed =
            !options.ignoreDayRule && !m_settings.WriteInt(logPath, section, "LASTDAYCHECK", today);
        if (failed) {
            m_downloadError = m_settings.LastError();
        } else {
            failed = !DownloadUrlToFile(m_downloader, info.infoUrl, path, section, &m_downloadError,
                                        options.stop);
        }
        if (options.stop.stop_requested()) {
            return false; // the program is ending: no failure is recorded
        }
        if (failed) {
            m_downloadFailed = true;
            m_versionDiffers = true;
            m_log(m_downloadError);
            info.message = kCouldNotCheckText;
            info.latestVersion = -1;
            m_settings.WriteDouble(path, section, "CURRENTVERSION", -1);
        } else {
            m_downloaded = true;
        }
    }

    const std::string v = CSettingsFile::FormatDouble(info.version);
    bool force = false;
    m_settings.ReadBool(path, section, "FORCETOUPDATE" + v, force, false);
    if (!force) {
        m_settings.ReadBool(path, section, "FORCETOUPDATE", force, false);
    }
    info.forceUpdate = force;

    if (info.message.empty()) {
        m_settings.ReadString(path, section, "UPDATEINFO" + v, info.message, "");
        if (info.message.empty()) {
            m_settings.ReadString(path, section, "UPDATEINFO", info.message,
                                  kDefaultNoticePrefix + info.productName);
        }
        info.message = CleanNoticeText(info.message);
        double latest = 0.0;
        m_settings.ReadDouble(path, section, "CURRENTVERSION", latest, 0.0);
        info.latestVersion = FiniteOr(latest, 0.0);
    } else {
        m_settings.WriteString(path, section, "UPDATEINFO", info.message);
    }

    m_settings.ReadString(path, section, "DOWNLOADHEREURL", info.downloadUrl, info.siteUrl);
    if (info.downloadUrl != info.siteUrl && !IsWebUrl(info.downloadUrl)) {
        m_log("DOWNLOADHEREURL \"" + CleanNoticeText(info.downloadUrl) + "\" in " + path +
              " is not an http or https URL; " + info.siteUrl + " is offered instead");
        info.downloadUrl = info.siteUrl;
    }

    if (info.latestVersion != info.version) {
        m_versionDiffers = true;
    }
    return info.latestVersion != info.declinedVersion && info.latestVersion != info.version;
}

} // namespace tarnwick
