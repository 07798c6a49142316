// The main window's side of the update check: one run of the check with its prompts and the
// download step, on the update thread. The window supplies where the notice goes and how it
// closes; the prompts go through the message-box interface.
#pragma once

#include <atomic>
#include <functional>
#include <stop_token>
#include <string>

#include "update/update_checker.h"

namespace tarnwick {

class IClock;
class ILocalZone;
class IHttpDownloader;
class IMessageBox;
class IUrlOpener;

struct UpdateEnvironment {
    std::string siteUrl;       // empty: the check never runs
    std::string dataDirectory; // holds UpdateInfo.txt and UpdateInfo.txt.log
    double version = 0.0;      // the running version
    const IClock* clock = nullptr;
    const ILocalZone* localZone = nullptr;
    IHttpDownloader* downloader = nullptr;
    IMessageBox* messages = nullptr;
    IUrlOpener* urlOpener = nullptr;
    UpdateLog log = LogToStderr;
};

// What the main window holds: the notice its display alternates with the status, and the
// close that ends the program after the download step. Written from the update thread.
struct UpdateNotice {
    std::atomic<bool>* showUpdateMessage = nullptr;
    std::function<void(const std::string&)> setUpdateMessage;
    std::function<void()> closeMainWindow; // must hand the close to the UI thread
};

// One run: clears showUpdateMessage, checks, asks, stores a declined version, and for a Yes
// shows the download step's note, deletes both files, opens the download page and closes the
// main window. A stop request ends it at the next step without storing an answer.
void CheckForUpdate(const UpdateEnvironment& environment, const UpdateNotice& notice,
                    std::stop_token stop = {});

} // namespace tarnwick
