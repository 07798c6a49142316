// The window's time check against loopback servers: the difference and the estimate on the
// display, the prompt, the busy message, the interval, a server list too long to keep, and
// closing the window while a check or its prompt is under way.
#include <QTest>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/clock_display.h"
#include "app/clock_dlg.h"
#include "platform/clock_setter.h"
#include "support/time_server.h"
#include "support/ui_clock_harness.h"
#include "sync/time_protocol.h"

using namespace tarnwick;
using tarnwick::test::LoopbackTimeServer;
using tarnwick::test::TimeServerMode;

// The harness's clock is the servers' and the window's: standing still, so the refinement ends
// at once.
class TestClockCheck : public QObject, tarnwick::test::ClockWindowHarness {
    Q_OBJECT

private:
    std::unique_ptr<FakeClockSetter> m_setter;
    std::unique_ptr<FakeElapsedClock> m_elapsed;

    LoopbackTimeServer::Options Server(TimeServerMode mode, std::int64_t offsetSeconds = 0) {
        LoopbackTimeServer::Options options;
        options.mode = mode;
        options.offsetSeconds = offsetSeconds;
        options.clock = m_clock.get();
        return options;
    }

    void WriteCheckSettings(const std::string& servers, int updateOption, int hours = 0) {
        WriteSettings(QByteArray::fromStdString(
            "[OPTIONS]\nCHECKTIMEOPTION=1053\nCHECKTIMECUSTOMSERVERS=" + servers +
            "\nCHECKTIMEUPDATEOPTION=" + std::to_string(updateOption) +
            "\nCHECKTIMEINTERVAL=1063\nCHECKTIMEHOURINTERVAL=" + std::to_string(hours) +
            "\nCHECKTIMESTARTUP=0\nLOGINSTARTUP=0\nCHECKTIMEMARGINOFERROR=1\n"));
    }

    std::unique_ptr<CClockDlg> MakeDialog() {
        ClockDlgEnvironment environment = Environment();
        environment.elapsedClock = m_elapsed.get();
        environment.clockSetter = m_setter.get();
        environment.syncTimings = {std::chrono::milliseconds(5), std::chrono::milliseconds(300),
                                   std::chrono::milliseconds(20), std::chrono::milliseconds(20)};
        environment.checkPoll = std::chrono::milliseconds(10);
        return std::make_unique<CClockDlg>(environment);
    }

    static void PressCheck(CClockDlg& dialog) {
        QTest::mouseClick(dialog.findChild<QWidget*>(QStringLiteral("1012")), Qt::LeftButton);
    }

private slots:
    void init() {
        NewHarness();
        m_setter = std::make_unique<FakeClockSetter>();
        m_elapsed = std::make_unique<FakeElapsedClock>();
        // Noon of the day this program was built (the client refuses an answer from before
        // that day), mid-second: an estimate of whole seconds.
        m_clock->SetMilliseconds((BuildDateUnixSeconds() + 43200) * 1000 + 500);
    }

    void checkShowsTheDifferenceAndAsksBeforeSetting() {
        LoopbackTimeServer server(Server(TimeServerMode::Offset, 3600));
        WriteCheckSettings(server.Entry(), 1069); // ask
        m_messages->ScriptAnswer(MessageAnswer::No);
        auto dialog = MakeDialog();
        dialog->OnClockTick();
        PressCheck(*dialog);
        QTRY_VERIFY_WITH_TIMEOUT(!m_messages->shown.empty(), 5000);
        QVERIFY2(m_messages->shown[0].text.rfind(
                     "Do you wish to synchronize your clock with the following server.", 0) == 0,
                 m_messages->shown[0].text.c_str());
        // Answered No: the clock is left alone; the display shows the difference, the
        // estimate and its bound, and so does the tip.
        QTRY_COMPARE_WITH_TIMEOUT(dialog->SyncState().busy, false, 5000);
        const QString text = dialog->Display().Text();
        QVERIFY2(text.contains(QStringLiteral("Difference of Time Server:\n%1\nDays:0 Hours:01\n"
                                              "Minutes:00 Seconds:00\nOffset +3600.000 s (\u00b1 "
                                              "0.500 s)")
                                   .arg(QString::fromStdString(server.Entry()))),
                 qPrintable(text));
        QVERIFY(
            dialog->TipText().endsWith(QStringLiteral("\nOffset +3600.000 s (\u00b1 0.500 s)")));
        QVERIFY(m_setter->steps.empty());
    }

    void automaticSettingStepsByTheEstimateAndRestartsTheInterval() {
        LoopbackTimeServer server(Server(TimeServerMode::Offset, -120));
        WriteCheckSettings(server.Entry(), 1070, 1); // automatically, every hour
        auto dialog = MakeDialog();
        m_elapsed->AdvanceMilliseconds(3'000'000); // 50 of the hour's minutes
        PressCheck(*dialog);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->SyncState().status, StatusSynchronized, 5000);
        QCOMPARE(m_setter->steps, std::vector<std::int64_t>{-120'000'000});
        QTRY_COMPARE_WITH_TIMEOUT(dialog->SyncState().busy, false, 5000);
        // The step restarted the hour: 50 minutes on, no check is due yet.
        const int asked = server.Connections();
        m_elapsed->AdvanceMilliseconds(3'000'000);
        QTest::qWait(100);
        QCOMPARE(server.Connections(), asked);
    }

    // The every-hour check follows elapsed time: the wall clock stepped a day back does not
    // put it off, nor does one stepped forward bring it on.
    void theIntervalFollowsElapsedTimeNotTheWallClock() {
        LoopbackTimeServer server(Server(TimeServerMode::Offset, 0));
        WriteCheckSettings(server.Entry(), 1068, 1);
        auto dialog = MakeDialog();
        m_clock->Advance(7200);
        m_elapsed->AdvanceMilliseconds(3'599'000);
        QTest::qWait(100);
        QCOMPARE(server.Connections(), 0);
        m_clock->Advance(-86400);
        m_elapsed->AdvanceMilliseconds(1000);
        QTRY_COMPARE_WITH_TIMEOUT(server.Connections(), 1, 2000);
    }

    void aServerListTooLongIsRefusedNotCut() {
        LoopbackTimeServer server(Server(TimeServerMode::Offset, 0));
        std::string list;
        while (list.size() <= 1023) {
            list += server.Entry() + ",";
        }
        WriteCheckSettings(list, 1068);
        auto dialog = MakeDialog();
        QTRY_COMPARE_WITH_TIMEOUT(m_messages->shown.size(), std::size_t(1), 2000);
        PressCheck(*dialog);
        QCOMPARE(m_messages->shown.size(), std::size_t(2));
        QVERIFY2(m_messages->shown[1].text.find("at most 1023") != std::string::npos,
                 m_messages->shown[1].text.c_str());
        QTest::qWait(50);
        QCOMPARE(server.Connections(), 0);
        QCOMPARE(dialog->SyncState().status, StatusNotSynchronized);
    }

    void secondPressWhileCheckingSaysSoAndClosingDoesNotWait() {
        LoopbackTimeServer server(Server(TimeServerMode::Hang));
        WriteCheckSettings(server.Entry(), 1069);
        auto dialog = MakeDialog();
        PressCheck(*dialog);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->SyncState().status, StatusConnecting, 2000);
        PressCheck(*dialog);
        QCOMPARE(m_messages->shown.size(), std::size_t(1));
        QCOMPARE(m_messages->shown[0].text,
                 std::string("You already checked your time.  Check again later."));
        m_messages->shown.clear();
        dialog.reset(); // joins the check's threads; a hanging server must not hold it
        QVERIFY(m_setter->steps.empty());
    }

    // Closing the window (or the update's download step, which ends the run the same way)
    // while the time prompt waits: nothing hangs, nothing is answered, nothing is stepped.
    void endingTheRunWhileThePromptWaitsDropsIt() {
        LoopbackTimeServer server(Server(TimeServerMode::Offset, 3600));
        WriteCheckSettings(server.Entry(), 1069);
        auto dialog = MakeDialog();
        PressCheck(*dialog);
        // Without running the event loop the queued prompt is never shown: wait (bounded)
        // until the check has measured and waits for the user.
        for (int i = 0; i < 300 && server.Connections() < 2; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        QVERIFY(server.Connections() >= 2);
        QMetaObject::invokeMethod(dialog.get(), "reject"); // the close action in normal mode
        QCoreApplication::processEvents();
        QVERIFY(m_setter->steps.empty());
        const auto start = std::chrono::steady_clock::now();
        dialog.reset();
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
        QCoreApplication::processEvents(); // a prompt queued to the window is dropped with it
        QVERIFY(m_messages->shown.empty());
        QVERIFY(m_setter->steps.empty());
    }
};

QTEST_MAIN(TestClockCheck)
#include "clock_check.moc"
