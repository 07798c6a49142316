// tarnwick-cli update-check: one run of the daily update check, without prompts or a browser.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "platform/clock.h"
#include "platform/http_download.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "settings/settings_file.h"
#include "update/update_checker.h"
#include "update/update_site.h"
#include "update/web_url.h"

namespace tarnwick::cli {

namespace {

constexpr const char* kName = "update-check";

// Exit statuses beyond the shared ones.
constexpr int kDownloadFailed = 1;
constexpr int kNoSite = 2;

int RunUpdateCheck(Context& context) {
    std::string error;
    const std::optional<std::string> site = TakeOption(context.args, "--site", error);
    if (!error.empty()) {
        return UsageError(kName, error);
    }
    const bool force = TakeFlag(context.args, "--force");
    if (!context.args.empty()) {
        return UsageError(kName, "unexpected argument '" + context.args[0] + "'");
    }
    const std::string siteUrl = site ? *site : BuiltInUpdateSite();
    if (siteUrl.empty()) {
        std::fprintf(stderr,
                     "tarnwick-cli %s: no update site: this build has TARNWICK_UPDATE_URL "
                     "empty (give --site URL)\n",
                     kName);
        return kNoSite;
    }
    if (!IsSiteRoot(siteUrl)) {
        return UsageError(kName, "--site wants an http or https URL without a query, not '" +
                                     siteUrl + "'");
    }

    UpdateCheckInfo info;
    info.siteUrl = siteUrl;
    info.infoUrl = UpdateInfoUrl(siteUrl);
    info.productName = kProductName;
    info.version = RunningVersion();
    UpdateCheckOptions options;
    options.ignoreDayRule = force;

    const std::unique_ptr<ILocalZone> zone = MakeSystemLocalZone();
    const std::unique_ptr<IHttpDownloader> downloader = MakeHttpDownloader();
    CUpdateChecker checker(SystemClock::Instance(), *zone, *downloader,
                           [](const std::string& line) {
                               std::fprintf(stderr, "tarnwick-cli %s: %s\n", kName, line.c_str());
                           });
    const bool offer =
        checker.Check(info, UpdateInfoFilePath(context.paths.dataDirectory), options);

    std::printf("latest\t%s\n", CSettingsFile::FormatDouble(info.latestVersion).c_str());
    std::printf("declined\t%s\n", CSettingsFile::FormatDouble(info.declinedVersion).c_str());
    std::printf("differs\t%d\n", checker.VersionDiffers() ? 1 : 0);
    std::printf("offer\t%d\n", offer ? 1 : 0);
    std::printf("force\t%d\n", info.forceUpdate ? 1 : 0);
    std::printf("message\t%s\n", info.message.c_str());
    std::printf("download\t%s\n", info.downloadUrl.c_str());
    return checker.DownloadFailed() ? kDownloadFailed : kOk;
}

} // namespace

constinit const Command kUpdateCheckCommand{
    kName,
    "  update-check [--site URL] [--force]\n"
    "      One run of the daily update check against URL/TarnwickUpdateInfo.ini (default:\n"
    "      the build's site), keeping UpdateInfo.txt and its log in the data directory:\n"
    "      KEY<TAB>VALUE lines for latest, declined, differs, offer, force, message and\n"
    "      download. Never prompts or opens a browser. --force downloads whatever the day\n"
    "      and leaves the log alone. Exit 1: the download failed; 2: no site configured.",
    &RunUpdateCheck};

} // namespace tarnwick::cli
