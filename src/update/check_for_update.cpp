#include "update/check_for_update.h"

#include "platform/file_lock.h"
#include "platform/message_box.h"
#include "settings/settings_file.h"

namespace tarnwick {

namespace {

void DownloadStep(const UpdateEnvironment& environment, const UpdateNotice& notice,
                  const UpdateCheckInfo& info, const std::string& path, std::stop_token stop) {
    environment.messages->Show(kDownloadStepText, kProductName, MessageButtons::Ok,
                               MessageIcon::None);
    if (stop.stop_requested()) {
        return;
    }
    // Without both files the next start downloads again, whatever the day.
    for (const std::string& file : {path, UpdateLogFilePath(path)}) {
        std::string error;
        if (!RemoveLockedFile(file, &error)) {
            environment.log(error);
        }
    }
    OpenInBrowser(*environment.urlOpener, info.downloadUrl, environment.log);
    if (notice.closeMainWindow) {
        notice.closeMainWindow();
    }
}

} // namespace

void CheckForUpdate(const UpdateEnvironment& environment, const UpdateNotice& notice,
                    std::stop_token stop) {
    notice.showUpdateMessage->store(false);
    if (environment.siteUrl.empty()) {
        return; // built without an update site
    }
    UpdateCheckInfo info;
    info.siteUrl = environment.siteUrl;
    info.infoUrl = UpdateInfoUrl(environment.siteUrl);
    info.productName = kProductName;
    info.version = environment.version;
    const std::string path = UpdateInfoFilePath(environment.dataDirectory);

    CUpdateChecker checker(*environment.clock, *environment.localZone, *environment.downloader,
                           environment.log);
    UpdateCheckOptions options;
    options.stop = stop;
    bool asked = false;
    if (checker.Check(info, path, options) && !info.message.empty()) {
        notice.setUpdateMessage(info.message);
        notice.showUpdateMessage->store(true);
        asked = true;
        const MessageAnswer answer =
            environment.messages->Show(info.message + kVisitQuestion, kProductName,
                                       MessageButtons::YesNo, MessageIcon::Question);
        if (stop.stop_requested()) {
            return;
        }
        if (answer == MessageAnswer::Yes) {
            DownloadStep(environment, notice, info, path, stop);
        } else {
            // This version is not offered again.
            CSettingsFile settings;
            if (!settings.WriteDouble(UpdateLogFilePath(path), info.productName, "NOTOVERSION",
                                      info.latestVersion)) {
                environment.log(settings.LastError());
            }
        }
    }
    if (stop.stop_requested()) {
        return;
    }
    notice.setUpdateMessage(info.message);
    if (checker.VersionDiffers() && !info.message.empty()) {
        notice.showUpdateMessage->store(true);
    }
    if (!asked && info.forceUpdate && !info.message.empty()) {
        const MessageAnswer answer =
            environment.messages->Show(info.message + kImportantQuestion, kProductName,
                                       MessageButtons::YesNo, MessageIcon::Stop);
        if (!stop.stop_requested() && answer == MessageAnswer::Yes) {
            DownloadStep(environment, notice, info, path, stop);
        }
        // No stores nothing: the prompt comes again on the next run.
    }
}

} // namespace tarnwick
