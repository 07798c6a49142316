// The window's time check against loopback servers: the difference on the display, the prompt,
// the busy message, and closing the window while a check or its prompt is under way.
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "app/clock_display.h"
#include "app/clock_dlg.h"
#include "platform/clock.h"
#include "platform/clock_setter.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "support/time_server.h"

using namespace tarnwick;
using tarnwick::test::LoopbackTimeServer;
using tarnwick::test::TimeServerMode;

class TestClockCheck : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    FixedLocalZone m_zone{0, "Coordinated Universal Time"};
    RecordingMessageBox m_messages;
    FakeClockSetter m_setter;

    void WriteSettings(std::uint16_t port, int updateOption) {
        std::ofstream file(m_dir->filePath(QStringLiteral("ClockInfo.dat")).toStdString());
        file << "[OPTIONS]\nCHECKTIMEOPTION=1053\nCHECKTIMECUSTOMSERVERS=127.0.0.1:" << port
             << "\nCHECKTIMEUPDATEOPTION=" << updateOption
             << "\nCHECKTIMEINTERVAL=1063\nCHECKTIMEHOURINTERVAL=0\nCHECKTIMESTARTUP=0\n"
                "LOGINSTARTUP=0\nCHECKTIMEMARGINOFERROR=1\n";
    }

    std::unique_ptr<CClockDlg> MakeDialog() {
        ClockDlgEnvironment environment;
        environment.clock = &SystemClock::Instance();
        environment.localZone = &m_zone;
        environment.paths.settingsDirectory = m_dir->path().toStdString();
        environment.paths.dataDirectory = m_dir->path().toStdString();
        environment.messages = &m_messages;
        environment.clockSetter = &m_setter;
        environment.syncTimings = {std::chrono::milliseconds(5), std::chrono::milliseconds(300),
                                   std::chrono::milliseconds(20)};
        return std::make_unique<CClockDlg>(environment);
    }

    static QString DisplayText(CClockDlg& dialog) { return dialog.Display().Text(); }

    static void PressCheck(CClockDlg& dialog) {
        QTest::mouseClick(dialog.findChild<QWidget*>(QStringLiteral("1012")), Qt::LeftButton);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_messages.shown.clear();
        m_setter.steps.clear();
    }

    void checkShowsTheDifferenceAndAsksBeforeSetting() {
        LoopbackTimeServer server(TimeServerMode::Offset, 3600);
        WriteSettings(server.Port(), 1069); // ask
        m_messages.ScriptAnswer(MessageAnswer::No);
        auto dialog = MakeDialog();
        dialog->OnClockTick();
        PressCheck(*dialog);
        QTRY_VERIFY_WITH_TIMEOUT(!m_messages.shown.empty(), 5000);
        QVERIFY2(m_messages.shown[0].text.rfind(
                     "Do you wish to synchronize your clock with the following server.", 0) == 0,
                 m_messages.shown[0].text.c_str());
        // Answered No: the clock is left alone and the display shows the difference at once.
        QTRY_VERIFY_WITH_TIMEOUT(
            DisplayText(*dialog).contains(QLatin1String("Difference of Time Server:")), 5000);
        QVERIFY(DisplayText(*dialog).contains(QStringLiteral("127.0.0.1:%1").arg(server.Port())));
        QCOMPARE(dialog->SyncStatus.load(), int(StatusDifference));
        QVERIFY(m_setter.steps.empty());
        const std::int64_t difference = dialog->SyncState().differenceSeconds;
        QVERIFY2(difference >= 3599 && difference <= 3601, qPrintable(QString::number(difference)));
    }

    void automaticSettingStepsByTheEstimate() {
        LoopbackTimeServer server(TimeServerMode::Offset, -120);
        WriteSettings(server.Port(), 1070); // automatically
        auto dialog = MakeDialog();
        PressCheck(*dialog);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->SyncStatus.load(), int(StatusSynchronized), 5000);
        QCOMPARE(m_setter.steps.size(), std::size_t(1));
        // The server's second is truncated: the estimate lies within a second of -120 s.
        QVERIFY(m_setter.steps[0] >= -121000000 && m_setter.steps[0] <= -119000000);
    }

    void secondPressWhileCheckingSaysSoAndClosingDoesNotWait() {
        LoopbackTimeServer server(TimeServerMode::Hang);
        WriteSettings(server.Port(), 1069);
        auto dialog = MakeDialog();
        PressCheck(*dialog);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->SyncStatus.load(), int(StatusConnecting), 2000);
        PressCheck(*dialog);
        QCOMPARE(m_messages.shown.size(), std::size_t(1));
        QCOMPARE(m_messages.shown[0].text,
                 std::string("You already checked your time.  Check again later."));
        m_messages.shown.clear();
        dialog.reset(); // joins the check's threads; a hanging server must not hold it
        QVERIFY(m_setter.steps.empty());
    }

    void closingWhileThePromptWaitsNeitherHangsNorAnswers() {
        LoopbackTimeServer server(TimeServerMode::Offset, 3600);
        WriteSettings(server.Port(), 1069);
        auto dialog = MakeDialog();
        PressCheck(*dialog);
        // Without running the event loop the queued prompt is never shown: wait (bounded)
        // until the answer has come and the connection thread waits for the user.
        for (int i = 0; i < 500 && dialog->SyncState().searching; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        QVERIFY(!dialog->SyncState().searching);
        dialog.reset();
        QCoreApplication::processEvents(); // a prompt queued to the window is dropped with it
        QVERIFY(m_messages.shown.empty());
        QVERIFY(m_setter.steps.empty());
    }
};

QTEST_MAIN(TestClockCheck)
#include "clock_check.moc"
