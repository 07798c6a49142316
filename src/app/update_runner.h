// The main window's update check. Each Start runs one CheckForUpdate on a thread of its own
// (the time check starts one with every check); its message boxes are shown on the UI thread
// and the download step's close of the main window arrives there as CloseMainWindow.
// Destroying the runner stops its checks at once (a download is cut off, a prompt not yet
// shown is dropped, no answer is stored) and waits for their threads.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "update/update_site.h"

namespace tarnwick {

class IClock;
class IHttpDownloader;
class ILocalZone;
class IMessageBox;
class IUrlOpener;

struct UpdateRunnerEnvironment {
    const IClock* clock = nullptr;
    const ILocalZone* localZone = nullptr;
    std::string dataDirectory;                 // UpdateInfo.txt and UpdateInfo.txt.log
    IMessageBox* messages = nullptr;           // called on the UI thread only
    std::string siteUrl = BuiltInUpdateSite(); // empty: Start does nothing
    double version = RunningVersion();
    IHttpDownloader* downloader = nullptr; // null: libcurl with the standard limits
    IUrlOpener* urlOpener = nullptr;       // null: the desktop's
};

class CUpdateRunner : public QObject {
    Q_OBJECT

public:
    // Lives on the UI thread. showUpdateMessage and setUpdateMessage are written from the
    // update threads and must outlive the runner.
    CUpdateRunner(const UpdateRunnerEnvironment& environment, std::atomic<bool>& showUpdateMessage,
                  std::function<void(const std::string&)> setUpdateMessage,
                  QObject* parent = nullptr);
    ~CUpdateRunner() override;

    // UI thread: one more run of the check; returns at once. While an earlier run is still
    // going (its prompt open) no second one starts, so the same offer is never asked twice
    // at once and two runs never write the files together. True when a run started.
    bool Start();
    // False when the build has no update site: nothing is ever fetched.
    bool IsEnabled() const { return !m_environment.siteUrl.empty(); }

signals:
    // The download step: close the main window as Cancel does, which ends the program.
    // Always emitted on the UI thread.
    void CloseMainWindow();

private:
    struct Run {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    UpdateRunnerEnvironment m_environment;
    std::atomic<bool>& m_showUpdateMessage;
    std::function<void(const std::string&)> m_setUpdateMessage;
    std::unique_ptr<IHttpDownloader> m_ownDownloader;
    std::unique_ptr<IUrlOpener> m_ownUrlOpener;
    std::vector<Run> m_runs; // UI thread only
};

} // namespace tarnwick
