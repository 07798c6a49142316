// The update runner: checks on their own threads, prompts on the UI thread, the close of the
// main window delivered there, and no hang when the window goes while a check waits.
#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

#include "app/update_runner.h"
#include "platform/clock.h"
#include "platform/http_download.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "platform/url_opener.h"
#include "settings/profile_file.h"
#include "support/temp_dir.h"
#include "zones/date_time.h"

using namespace tarnwick;

namespace {

const std::string kSite = "http://127.0.0.1:1/";
const std::string kInfoUrl = "http://127.0.0.1:1/TarnwickUpdateInfo.ini";

// Answers from a script and notes whether every box came on the UI thread.
class ThreadCheckingBox final : public IMessageBox {
public:
    MessageAnswer Show(const std::string& text, const std::string& caption, MessageButtons buttons,
                       MessageIcon icon) override {
        if (QThread::currentThread() != qApp->thread()) {
            offUiThread = true;
        }
        return recorded.Show(text, caption, buttons, icon);
    }
    RecordingMessageBox recorded;
    bool offUiThread = false;
};

} // namespace

class TestUpdateRunner : public QObject {
    Q_OBJECT

private:
    UpdateRunnerEnvironment Environment() {
        UpdateRunnerEnvironment environment;
        environment.clock = &m_clock;
        environment.localZone = &m_zone;
        environment.dataDirectory = m_dir->Path();
        environment.messages = &m_box;
        environment.siteUrl = kSite;
        environment.version = 1.1;
        environment.downloader = &m_downloader;
        environment.urlOpener = &m_opener;
        return environment;
    }

    std::unique_ptr<test::TempDir> m_dir;
    FixedClock m_clock{DateTime(2026, 3, 5, 9, 0, 0).ToUnixSeconds()};
    FixedLocalZone m_zone{0, "UTC"};
    ThreadCheckingBox m_box;
    FakeHttpDownloader m_downloader; // used by one update thread at a time
    RecordingUrlOpener m_opener;

private slots:
    void init() {
        m_dir = std::make_unique<test::TempDir>();
        m_box = ThreadCheckingBox();
        m_opener.opened.clear();
        m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.2\nUPDATEINFO=Tarnwick 1.2\n");
    }

    void yesOpensTheSiteAndClosesTheWindowOnTheUiThread() {
        std::atomic<bool> show{false};
        std::string message; // written by the update thread, read after it ended
        m_box.recorded.ScriptAnswer(MessageAnswer::Yes);
        bool closedOnUiThread = false;
        {
            CUpdateRunner runner(Environment(), show,
                                 [&](const std::string& text) { message = text; });
            QSignalSpy closes(&runner, &CUpdateRunner::CloseMainWindow);
            connect(&runner, &CUpdateRunner::CloseMainWindow, this,
                    [&] { closedOnUiThread = QThread::currentThread() == qApp->thread(); });
            QVERIFY(runner.IsEnabled());
            QVERIFY(runner.Start());
            QTRY_COMPARE_WITH_TIMEOUT(closes.count(), 1, 5000);
        }
        QVERIFY(closedOnUiThread);
        QVERIFY(!m_box.offUiThread);
        QCOMPARE(m_box.recorded.shown.size(), std::size_t{2});
        QCOMPARE(m_box.recorded.shown[0].text,
                 std::string("Tarnwick 1.2  Would you like to visit our website for updates?"));
        QCOMPARE(m_opener.opened, std::vector<std::string>{kSite});
        QVERIFY(show.load());
        QCOMPARE(message, std::string("Tarnwick 1.2"));
    }

    void goingAwayWhileAPromptWaitsNeitherHangsNorAnswers() {
        std::atomic<bool> show{false};
        const QString info = QString::fromStdString(m_dir->Path() + "/UpdateInfo.txt");
        {
            CUpdateRunner runner(Environment(), show, [](const std::string&) {});
            QVERIFY(runner.Start());
            QVERIFY(!runner.Start()); // one run at a time
            // The check downloads, then waits for a prompt that this thread never shows,
            // since no events are processed before the runner goes.
            for (int i = 0; i < 500 && !QFile::exists(info); ++i) {
                QThread::msleep(10);
            }
            QVERIFY(QFile::exists(info));
        }
        QCoreApplication::processEvents();
        QVERIFY(m_box.recorded.shown.empty());
        const std::string log = m_dir->Path() + "//UpdateInfo.txt.log";
        QCOMPARE(GetProfileString(log, "Tarnwick", "NOTOVERSION", ""), std::string("0.000000"));
    }
};

QTEST_MAIN(TestUpdateRunner)
#include "update_runner.moc"
