// The notification icon and the run modes of the main window, offscreen, with the
// notification area's presence chosen by the test.
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <memory>

#include "app/clock_dlg.h"
#include "app/tray_icon.h"
#include "support/ui_clock_harness.h"

using namespace tarnwick;

class TestTrayIcon : public QObject, tarnwick::test::ClockWindowHarness {
    Q_OBJECT

private:
    bool m_trayThere = false;

    // tray: whether the notification area is there; trayWait: how long a hidden start waits
    // for it (none unless a test asks).
    std::unique_ptr<CClockDlg> MakeDialog(int runOption, bool hide, bool minimize, bool tray,
                                          std::chrono::milliseconds trayWait = {}) {
        m_trayThere = tray;
        WriteSettings(QByteArray("[OPTIONS]\r\nRUNOPTION=") + QByteArray::number(runOption) +
                      "\r\n");
        ClockDlgEnvironment environment = Environment();
        environment.switches.hide = hide;
        environment.switches.minimize = minimize;
        environment.trayAvailable = [this] { return m_trayThere; };
        environment.trayWait = trayWait;
        return std::make_unique<CClockDlg>(environment);
    }

private slots:
    void init() { NewHarness(); }

    void tipIsCutTo63Characters() {
        const QString a62(62, QLatin1Char('a'));
        QCOMPARE(CutTip(a62 + 'b'), a62 + 'b');
        QCOMPARE(CutTip(a62 + "bc"), a62 + 'b');
        // A character outside the basic plane is not split in half.
        QCOMPARE(CutTip(a62 + QString::fromUtf8("\xF0\x9F\x95\x90")), a62);
    }

    void tickSetsTheTip() {
        auto dialog = MakeDialog(kRunHidden, false, false, true);
        QCOMPARE(dialog->Tray().Tip(), QStringLiteral("Tarnwick")); // until the first tick
        dialog->OnClockTick();
        QCOMPARE(dialog->Tray().Tip(),
                 QStringLiteral("Tarnwick  Saturday, December 05, 2026  09:40:54 AM"));
        // A tip on screen follows the ticks.
        QToolTip::showText(QPoint(10, 10), dialog->Tray().Tip());
        QTRY_VERIFY(QToolTip::isVisible());
        m_clock->Advance(1);
        dialog->OnClockTick();
        QCOMPARE(QToolTip::text(),
                 QStringLiteral("Tarnwick  Saturday, December 05, 2026  09:40:55 AM"));
    }

    // Every run-mode decision has its row in the run-mode table; these carry the setting and each
    // switch through the window, and show the pictures only in normal mode.
    void runModeAtStart_data() {
        QTest::addColumn<int>("runOption");
        QTest::addColumn<bool>("minimize");
        QTest::addColumn<QString>("state"); // what shows after show(), and the pictures
        QTest::newRow("normal") << int(kRunNormal) << false << "window pictures";
        QTest::newRow("hidden") << int(kRunHidden) << false << "icon";
        QTest::newRow("minSwitch") << int(kRunNormal) << true << "window minimized";
    }

    void runModeAtStart() {
        QFETCH(int, runOption);
        QFETCH(bool, minimize);
        QFETCH(QString, state);
        auto dialog = MakeDialog(runOption, false, minimize, true);
        const bool pictures = dialog->ShowsStartUpPicture();
        dialog->show(); // as the modal run does
        const QStringList shown = {
            dialog->isVisible() ? "window" : "", dialog->isMinimized() ? "minimized" : "",
            dialog->Tray().HasIcon() ? "icon" : "", pictures ? "pictures" : ""};
        QCOMPARE(shown.join(' ').simplified(), state);
        QVERIFY(m_messages->shown.empty());
    }

    void closeInHiddenModeHidesAndExitEnds() {
        auto dialog = MakeDialog(kRunHidden, false, false, true);
        dialog->show();
        QVERIFY(!dialog->isVisible());
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        dialog->OpenMainWindow();
        QVERIFY(dialog->isVisible());
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(finished.count(), 0); // the program goes on behind the icon
        QVERIFY(dialog->Tray().HasIcon());
        dialog->OnTrayCommand(CClockDlg::ID_TRAY_EXIT);
        QCOMPARE(finished.count(), 1);
    }

    void closeInMinimizedModeMinimizes() {
        auto dialog = MakeDialog(kRunMinimized, false, false, true);
        dialog->show();
        dialog->OpenMainWindow();
        QVERIFY(dialog->isVisible() && !dialog->isMinimized()); // restored
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        dialog->CloseAction();
        QVERIFY(dialog->isMinimized());
        QCOMPARE(finished.count(), 0);
        QVERIFY(!dialog->Tray().HasIcon());
    }

    // Without a notification area a hidden start minimises the window and says why, once, and
    // only over the window: at once, or when the wait for a late area is over.
    void withoutTrayHidingMinimizesAndSaysWhyOnce_data() {
        QTest::addColumn<int>("waitMs");
        QTest::newRow("no wait") << 0;
        QTest::newRow("after the wait") << 600;
    }

    void withoutTrayHidingMinimizesAndSaysWhyOnce() {
        QFETCH(int, waitMs);
        auto dialog =
            MakeDialog(kRunHidden, false, false, false, std::chrono::milliseconds(waitMs));
        QVERIFY(m_messages->shown.empty());
        dialog->show();
        QCOMPARE(dialog->isVisible(), waitMs == 0);
        QTRY_COMPARE(m_messages->shown.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(m_messages->shown[0].text),
                 QString::fromLatin1(CClockDlg::kNoTrayMessage));
        QCOMPARE(m_messages->shown[0].caption, std::string("Tarnwick"));
        QVERIFY(dialog->isVisible());
        QTRY_VERIFY(dialog->isMinimized());
        QVERIFY(!dialog->Tray().HasIcon());
        dialog->OpenMainWindow();
        dialog->CloseAction();
        QVERIFY(dialog->isMinimized());
        QCOMPARE(m_messages->shown.size(), std::size_t(1)); // said once
    }

    // At login the panel may come up after the clock: a hidden start waits for it.
    void hiddenStartWaitsForALateNotificationArea() {
        auto dialog = MakeDialog(kRunHidden, false, false, false, std::chrono::seconds(30));
        dialog->show();
        QTest::qWait(3 * CClockDlg::kTrayWaitPollMs);
        QVERIFY(!dialog->isVisible());
        QVERIFY(!dialog->Tray().HasIcon());
        m_trayThere = true;
        QTRY_VERIFY(dialog->Tray().HasIcon());
        QVERIFY(!dialog->isVisible());
        QVERIFY(m_messages->shown.empty());
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tray_icon.moc"
