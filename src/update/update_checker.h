// The daily update check: once a day (days told apart by their day of the month) the
// update-info file is fetched from the site, kept beside the program with a log file, and the
// version it announces is compared with the running one and with a version the user declined.
//
//   UpdateInfo.txt      [Tarnwick] FORCETOUPDATE<V>, FORCETOUPDATE, UPDATEINFO<V>, UPDATEINFO,
//                                  CURRENTVERSION, DOWNLOADHEREURL   (V: the version as "%f")
//   UpdateInfo.txt.log  [Tarnwick] LASTDAYCHECK (1-31), NOTOVERSION
//
// Every read goes through CSettingsFile, so both files end up holding every key read.
// Everything in the update-info file came from a web server: notice texts are cleaned and cut,
// and a download address that is not an http or https URL is replaced by the site's root.
#pragma once

#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>

#include "settings/settings_file.h"

namespace tarnwick {

class IClock;
class ILocalZone;
class IHttpDownloader;
class IUrlOpener;

inline constexpr const char* kUpdateInfoFileName = "//UpdateInfo.txt"; // appended to the directory
inline constexpr const char* kUpdateLogSuffix = ".log";
inline constexpr const char* kUpdateInfoPath = "/TarnwickUpdateInfo.ini"; // on the site

inline constexpr const char* kDefaultNoticePrefix = "There is a new update available for ";
inline constexpr const char* kCouldNotCheckText =
    "I could not check for an update today.  Please check your internet connection next time.  "
    "This program will check again a different day.";
inline constexpr const char* kVisitQuestion = "  Would you like to visit our website for updates?";
inline constexpr const char* kImportantQuestion =
    "  Would you like to make this important update now?";
inline constexpr const char* kDownloadStepText =
    "For installing an update the computer will close Tarnwick.  The computer will now take you "
    "to the Tarnwick website where you can download the upgrade.";

// Longest notice shown, in characters.
inline constexpr std::size_t kMaxNoticeCharacters = 200;

// Where a line of the update check's log goes (stderr in the program).
using UpdateLog = std::function<void(const std::string&)>;
void LogToStderr(const std::string& line);

struct UpdateCheckInfo {
    std::string siteUrl;     // the site's root; the default for downloadUrl
    std::string infoUrl;     // siteUrl + kUpdateInfoPath
    std::string productName; // the section of both files, and the end of the default notice
    double version = 0.0;    // the running version
    double declinedVersion = 0.0;
    double latestVersion = 0.0;
    std::string message;     // the notice text, cleaned
    std::string downloadUrl; // an http or https URL, or siteUrl
    bool forceUpdate = false;
};

struct UpdateCheckOptions {
    // Download whatever the day, without reading or writing the log file's day (the
    // command line's --force); the declined version is still read.
    bool ignoreDayRule = false;
    std::stop_token stop; // ends a download early; Check then returns false at once
};

class CUpdateChecker {
public:
    CUpdateChecker(const IClock& clock, const ILocalZone& zone, IHttpDownloader& downloader,
                   UpdateLog log = LogToStderr);

    // True when the announced version differs from both the running and the declined one.
    bool Check(UpdateCheckInfo& info, const std::string& path,
               const UpdateCheckOptions& options = {});
    // The announced version differs from the running one, or the download failed.
    bool VersionDiffers() const { return m_versionDiffers; }
    bool Downloaded() const { return m_downloaded; }         // this run fetched the file
    bool DownloadFailed() const { return m_downloadFailed; } // this run tried and failed
    const std::string& DownloadError() const { return m_downloadError; }

private:
    const IClock& m_clock;
    const ILocalZone& m_zone;
    IHttpDownloader& m_downloader;
    UpdateLog m_log;
    CSettingsFile m_settings;
    bool m_versionDiffers = false;
    bool m_downloaded = false;
    bool m_downloadFailed = false;
    std::string m_downloadError;
};

// The update-info file of a data directory, named as the program always named it.
std::string UpdateInfoFilePath(const std::string& dataDirectory);
std::string UpdateLogFilePath(const std::string& updateInfoPath);
// "http://host/dir/" -> "http://host/dir/TarnwickUpdateInfo.ini".
std::string UpdateInfoUrl(const std::string& siteUrl);

// The day of the month, [1, 31], of the computer's local date.
int LocalDayOfMonth(const IClock& clock, const ILocalZone& zone);

// Fetches url and replaces the file at path with the answer, atomically, when the answer is an
// update-info file: settings text with a section named section. Anything else (an error page,
// a binary file) fails like a download that failed; a failure leaves the old file as it was,
// and error (when given) says why.
bool DownloadUrlToFile(IHttpDownloader& downloader, const std::string& url, const std::string& path,
                       const std::string& section, std::string* error = nullptr,
                       std::stop_token stop = {});

// Hands url to the desktop when it is an http or https URL; anything else is logged and not
// opened. True when the desktop was asked.
bool OpenInBrowser(IUrlOpener& opener, const std::string& url, const UpdateLog& log = LogToStderr);

// A notice for the display and the prompts, always valid UTF-8: the text read as UTF-8 when it
// is valid UTF-8, else as Latin-1; control characters (C0, DEL, C1) removed; cut to
// maxCharacters characters.
std::string CleanNoticeText(const std::string& text,
                            std::size_t maxCharacters = kMaxNoticeCharacters);

} // namespace tarnwick
