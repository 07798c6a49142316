#include "app/update_runner.h"

#include <QMetaObject>

#include <condition_variable>
#include <mutex>

#include "platform/http_download.h"
#include "platform/message_box.h"
#include "update/check_for_update.h"
#include "widgets/qt_url_opener.h"
#include "widgets/worker_messages.h"

namespace tarnwick {

CUpdateRunner::CUpdateRunner(const UpdateRunnerEnvironment& environment,
                             std::atomic<bool>& showUpdateMessage,
                             std::function<void(const std::string&)> setUpdateMessage,
                             QObject* parent)
    : QObject(parent), m_environment(environment), m_showUpdateMessage(showUpdateMessage),
      m_setUpdateMessage(std::move(setUpdateMessage)) {
    if (m_environment.downloader == nullptr) {
        m_ownDownloader = MakeHttpDownloader();
        m_environment.downloader = m_ownDownloader.get();
    }
    if (m_environment.urlOpener == nullptr) {
        m_ownUrlOpener = std::make_unique<QtUrlOpener>();
        m_environment.urlOpener = m_ownUrlOpener.get();
    }
}

CUpdateRunner::~CUpdateRunner() {
    for (Run& run : m_runs) {
        run.thread.request_stop();
    }
    m_runs.clear(); // joins
}

bool CUpdateRunner::Start() {
    std::erase_if(m_runs, [](const Run& run) { return run.finished->load(); });
    if (!IsEnabled() || !m_runs.empty()) {
        return false;
    }
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::jthread thread([this, finished](std::stop_token stop) {
        UiThreadMessages messages(*m_environment.messages, this, stop);
        UpdateEnvironment environment;
        environment.siteUrl = m_environment.siteUrl;
        environment.dataDirectory = m_environment.dataDirectory;
        environment.version = m_environment.version;
        environment.clock = m_environment.clock;
        environment.localZone = m_environment.localZone;
        environment.downloader = m_environment.downloader;
        environment.messages = &messages;
        environment.urlOpener = m_environment.urlOpener;
        UpdateNotice notice;
        notice.showUpdateMessage = &m_showUpdateMessage;
        notice.setUpdateMessage = m_setUpdateMessage;
        notice.closeMainWindow = [this] {
            // Queued behind the browser's open, and on the UI thread however it is connected.
            QMetaObject::invokeMethod(
                this, [this] { emit CloseMainWindow(); }, Qt::QueuedConnection);
        };
        CheckForUpdate(environment, notice, stop);
        finished->store(true);
    });
    m_runs.push_back(Run{std::move(thread), std::move(finished)});
    return true;
}

} // namespace tarnwick
