// The main clock window, offscreen, with a clock that stands still and a fixed local zone.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

#include "app/about_dlg.h"
#include "app/clock_display.h"
#include "app/clock_dlg.h"
#include "support/ui_clock_harness.h"
#include "support/ui_widgets.h"
#include "widgets/dialog_units.h"

using namespace tarnwick;

namespace {

// Counts the checks, configurations and converters the window starts.
class ProbeDlg final : public CClockDlg {
public:
    using CClockDlg::CClockDlg;
    int checks = 0;
    bool lastTellIfRunning = false;
    int configures = 0;
    int converters = 0;
    std::optional<TimeSyncSnapshot> sync; // shown instead of the time client's

    TimeSyncSnapshot SyncState() const override { return sync ? *sync : CClockDlg::SyncState(); }

protected:
    void StartCheck(bool tellIfRunning) override {
        ++checks;
        lastTellIfRunning = tellIfRunning;
    }
    void Configure() override { ++configures; }
    void Converter() override { ++converters; }
};

// The harness's instant, Saturday 2026-12-05 04:10:54 UTC, on the computer's clock at +5:30.
using test::kUtcNow;
const char kLocalLines[] =
    "India Standard Time (+5.50)\nSaturday, December 05, 2026  09:40:54 AM\n";
const char kGmtLines[] = "Greenwich Mean Time (+0)\nSaturday, December 05, 2026  04:10:54 AM";

} // namespace

class TestClockDlg : public QObject, tarnwick::test::ClockWindowHarness {
    Q_OBJECT

private:
    std::unique_ptr<ProbeDlg> MakeDialog(const IClock* clock = nullptr) {
        ClockDlgEnvironment environment = Environment();
        environment.clock = clock ? clock : m_clock.get();
        return std::make_unique<ProbeDlg>(environment);
    }

    static CClockDisplay* Display(CClockDlg& dialog) {
        return test::Child<CClockDisplay>(dialog, 1001);
    }
    static QPushButton* Button(CClockDlg& dialog, int id) {
        return test::Child<QPushButton>(dialog, id);
    }

private slots:
    void init() { NewHarness(); }

    void cleanup() {
        // Nothing the window did at start should have needed the user.
        for (const auto& shown : m_messages->shown) {
            qWarning("message shown: %s", shown.text.c_str());
        }
        QVERIFY(m_messages->shown.empty());
    }

    // The template's controls, at least as large as the template makes them, and larger where
    // the font needs: the longest date of the year and the tallest status never wrap or clip.
    void controls_data() {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("template font") << 0;
        QTest::newRow("large desktop font") << 20;
    }

    void controls() {
        QFETCH(int, pointSize);
        // Wednesday 30 September, the year's widest date in most fonts, and a long status.
        m_clock->Set(DateTime(2026, 9, 30, 22, 58, 58).ToUnixSeconds());
        auto dialog = MakeDialog();
        if (pointSize > 0) {
            QFont large = dialog->font();
            large.setPointSize(pointSize);
            dialog->setFont(large);
        }
        TimeSyncSnapshot sync;
        sync.status = StatusDifference;
        sync.currentServer = "time-a.timefreq.bldrdoc.gov";
        sync.differenceSeconds = -8639999;
        sync.estimate = OffsetInterval{-8639999500000, -8639999400000};
        sync.notes = {"time.example.org disagrees by +1 hour; ignored",
                      "Not set: the servers disagree"};
        dialog->sync = sync;
        dialog->OnClockTick();
        const DialogUnits du = DialogUnits::FromFont(dialog->font());
        const std::pair<int, QString> buttons[] = {
            {1011, "C&onverter"}, {1012, "&Check"}, {1010, "&About"}, {1005, "Con&figure"}};
        CClockDisplay* display = Display(*dialog);
        QVERIFY2(display->Fits(), qPrintable(display->Text()));
        QVERIFY(display->width() >= du.X(159) && display->height() >= du.Y(129));
        int right = 0;
        for (const auto& [id, text] : buttons) {
            QPushButton* button = Button(*dialog, id);
            QCOMPARE(button->text(), text);
            QVERIFY(button->geometry().top() > display->geometry().bottom());
            QVERIFY(button->geometry().left() > right); // one row, left to right, apart
            QVERIFY(button->width() >= button->sizeHint().width());
            right = button->geometry().right();
        }
        QVERIFY(right < dialog->width());
        QVERIFY(dialog->width() >= du.X(171) && dialog->height() >= du.Y(161));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Tarnwick"));
        QVERIFY(dialog->windowFlags().testFlag(Qt::FramelessWindowHint));
    }

    void dialogUnitsRoundAsWindowsDoes() {
        // Average letter width / 4 across, character height / 8 down; 256.5 rounds up.
        const DialogUnits units(6, 13);
        QCOMPARE(units.Rect(5, 11, 159, 129), QRect(8, 18, 239, 210));
        QCOMPARE(QPoint(units.X(171), units.Y(161)), QPoint(257, 262));
    }

    // The first tick comes some 100 ms after the window is made, or at once when it is shown
    // sooner; each then arms the next for just after the next whole second.
    void firstTickIsLateUnlessTheWindowIsShown() {
        m_clock->SetMilliseconds(kUtcNow.ToUnixSeconds() * 1000 + 250);
        auto dialog = MakeDialog();
        CClockDisplay* display = Display(*dialog);
        QVERIFY(display->Text().isEmpty()); // the first tick is not synchronous
        QVERIFY(dialog->IsClockTimerActive());
        QCOMPARE(dialog->ClockTimerInterval(), CClockDlg::kFirstTickMs);
        dialog->show();
        QVERIFY(display->Text().contains(QLatin1String(kGmtLines)));
        QVERIFY(dialog->IsClockTimerActive());
        QCOMPARE(dialog->ClockTimerInterval(), 750 + kTickLeadMs); // 750 ms to go, and the lead
        auto unshown = MakeDialog();                               // its timer makes the first tick
        QTRY_VERIFY_WITH_TIMEOUT(!Display(*unshown)->Text().isEmpty(), 1000);
    }

    void everyClockOfATickShowsTheSameInstant() {
        // A wall clock that moves on with every reading, 1 ms before a new second: were it
        // read more than once a tick, the clocks below would straddle the second.
        class ReadingAdvancesClock final : public IClock {
        public:
            explicit ReadingAdvancesClock(std::int64_t ms) : m_ms(ms) {}
            std::int64_t NowUnixMilliseconds() const override {
                return advancing ? m_ms.fetch_add(1) : m_ms.load();
            }
            std::atomic<bool> advancing{false};

        private:
            mutable std::atomic<std::int64_t> m_ms;
        } clock(kUtcNow.ToUnixSeconds() * 1000 + 999);
        auto dialog = MakeDialog(&clock);
        clock.advancing = true;
        dialog->OnClockTick();
        const QString text = Display(*dialog)->Text();
        QVERIFY2(text.contains(QLatin1String(kLocalLines)), qPrintable(text));
        QVERIFY2(text.contains(QLatin1String(kGmtLines)), qPrintable(text));
        QCOMPARE(dialog->TipText(),
                 QStringLiteral("Tarnwick  Saturday, December 05, 2026  09:40:54 AM"));
    }

    // What a screen reader is given changes with the minute, not with every second.
    void spokenTextFollowsTheMinute() {
        auto dialog = MakeDialog();
        dialog->OnClockTick();
        const QString spoken = Display(*dialog)->SpokenText();
        QVERIFY2(spoken.contains(QLatin1String("Saturday, December 05, 2026  09:40 AM")),
                 qPrintable(spoken));
        m_clock->Advance(5); // 09:40:59
        dialog->OnClockTick();
        QCOMPARE(Display(*dialog)->SpokenText(), spoken);
        m_clock->Advance(3656);
        dialog->OnClockTick();
        QVERIFY(Display(*dialog)->SpokenText().contains(QLatin1String("2026  10:41 AM")));
    }

    // Which ticks show the message is the status block's (core/display_text.cpp); the window
    // hands it the message and whether it is to be shown.
    void updateMessageTakesTheStatusPlace() {
        auto dialog = MakeDialog();
        const QString message = QStringLiteral("Tarnwick 1.20 is available.");
        dialog->SetUpdateMessage(message.toStdString());
        dialog->OnClockTick();
        QVERIFY(!Display(*dialog)->Text().contains(message));
        dialog->showUpdateMessage = true;
        dialog->OnClockTick();
        QVERIFY(Display(*dialog)->Text().contains(message));
        QVERIFY(
            !Display(*dialog)->Text().contains(QLatin1String("Time above is not synchronized")));
    }

    void closeActions_data() {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<bool>("closes");
        QTest::newRow("press on the X") << "glyph" << true;
        QTest::newRow("double-click on the title") << "double-click" << true;
        QTest::newRow("double-click on the display") << "double-click display" << true;
        QTest::newRow("Enter outside a button") << "enter" << true;
        QTest::newRow("Escape") << "escape" << true;
        QTest::newRow("click on the title drags, does not close") << "click title" << false;
        QTest::newRow("click left of the X") << "click left of glyph" << false;
        QTest::newRow("the display drags the window") << "drag display" << false;
        QTest::newRow("Enter on a button presses it") << "enter on check" << false;
    }

    void closeActions() {
        QFETCH(QString, gesture);
        QFETCH(bool, closes);
        auto dialog = MakeDialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QTRY_VERIFY_WITH_TIMEOUT(dialog->CloseGlyphRect().height() > 0, 2000); // painted
        const QRect glyph = dialog->CloseGlyphRect();
        QVERIFY(glyph.right() < dialog->width());
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        if (gesture == QLatin1String("glyph")) {
            QTest::mousePress(dialog.get(), Qt::LeftButton, {}, glyph.center());
        } else if (gesture.startsWith(QLatin1String("click"))) {
            QTest::mouseClick(dialog.get(), Qt::LeftButton, {},
                              gesture == QLatin1String("click title")
                                  ? QPoint(40, 5)
                                  : QPoint(glyph.left() - 3, glyph.center().y()));
        } else if (gesture == QLatin1String("double-click")) {
            QTest::mouseDClick(dialog.get(), Qt::LeftButton, {}, QPoint(40, 5));
        } else if (gesture == QLatin1String("double-click display")) {
            QTest::mouseDClick(Display(*dialog), Qt::LeftButton);
        } else if (gesture == QLatin1String("drag display")) {
            // No window manager here: the window follows the mouse itself.
            const QPoint from = dialog->pos();
            const QPoint centre = Display(*dialog)->rect().center();
            QTest::mousePress(Display(*dialog), Qt::LeftButton, {}, centre);
            QTest::mouseMove(Display(*dialog), centre + QPoint(60, 40));
            QTest::mouseRelease(Display(*dialog), Qt::LeftButton, {}, centre + QPoint(60, 40));
            QTRY_COMPARE(dialog->pos(), from + QPoint(60, 40));
        } else if (gesture.startsWith(QLatin1String("enter"))) {
            QWidget* focus = gesture == QLatin1String("enter")
                                 ? static_cast<QWidget*>(Display(*dialog))
                                 : Button(*dialog, 1012);
            focus->setFocus();
            QTest::keyClick(focus, Qt::Key_Return);
            QCOMPARE(dialog->checks, closes ? 0 : 1);
        } else {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        }
        QCOMPARE(finished.count(), closes ? 1 : 0);
        QCOMPARE(dialog->isVisible(), !closes);
        QCOMPARE(dialog->result(), int(QDialog::Rejected)); // never accepted
    }

    void lcdColours_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("lcd");
        QTest::newRow("default is LCD") << QByteArray() << true;
        QTest::newRow("LCD off") << QByteArray("[OPTIONS]\r\nCLOCKBLUELCD=0\r\n") << false;
    }

    void lcdColours() {
        QFETCH(QByteArray, settings);
        QFETCH(bool, lcd);
        if (!settings.isEmpty()) {
            WriteSettings(settings);
        }
        auto dialog = MakeDialog();
        dialog->OnClockTick();
        CClockDisplay* display = Display(*dialog);
        // The field around the cells: black.
        QCOMPARE(display->grab().toImage().pixelColor(display->width() / 2, 4), QColor(0, 0, 0));
        const QColor text = display->TextColour();
        const QColor cell = display->CellColour();
        if (lcd) {
            QCOMPARE(text, QColor(0, 0, 50));
            QCOMPARE(cell, QColor(0, 255, 255));
        } else {
            QCOMPARE(text, dialog->palette().color(QPalette::WindowText));
            QVERIFY(cell != QColor(0, 255, 255));
            QVERIFY(cell != QColor(0, 0, 0)); // the text stays readable over the black field
        }
    }

    void anUnusableSettingsFileIsToldAndKept() {
        const QByteArray binary("[OPTIONS]\r\nCLOCKBLUELCD=0\r\n\0\x7f", 29);
        WriteSettings(binary);
        auto dialog = MakeDialog();
        QVERIFY(dialog->Settings().clockBlueLcd); // the default
        QCOMPARE(m_messages->shown.size(), std::size_t(1));
        QVERIFY2(m_messages->shown[0].text.find("cannot be used (it holds NUL bytes)") !=
                     std::string::npos,
                 m_messages->shown[0].text.c_str());
        m_messages->shown.clear();
        QFile file(m_dir->filePath(QStringLiteral("ClockInfo.dat")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), binary);
    }

    void aboutBox() {
        auto dialog = MakeDialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QString seen;
        test::OnNextModal([&](QWidget* modal) {
            auto* about = qobject_cast<CAboutDlg*>(modal);
            QVERIFY(about != nullptr);
            auto* icon = test::Child<QLabel>(*about, CAboutDlg::kIdIcon);
            auto* ok = test::Child<QPushButton>(*about, CAboutDlg::kIdOk);
            seen = test::Child<QLabel>(*about, CAboutDlg::kIdVersion)->text() + '|' + ok->text() +
                   '|' +
                   QString::number(about->isModal() && !icon->pixmap().isNull() &&
                                   about->windowFlags().testFlag(Qt::FramelessWindowHint));
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        QTest::mouseClick(Button(*dialog, 1010), Qt::LeftButton);
        QCOMPARE(seen, QStringLiteral(
                           "Tarnwick Version 1.10|OK|1")); // modal, frameless, with its picture
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY(dialog->isVisible()); // the clock runs on
    }

    void buttonsAndMenuReachTheirParts() {
        auto dialog = MakeDialog();
        QTest::mouseClick(Button(*dialog, 1012), Qt::LeftButton);
        QVERIFY(dialog->checks == 1 && dialog->lastTellIfRunning); // told when one already runs
        QTest::mouseClick(Button(*dialog, 1005), Qt::LeftButton);
        QTest::mouseClick(Button(*dialog, 1011), Qt::LeftButton);
        QCOMPARE(QPoint(dialog->configures, dialog->converters), QPoint(1, 1));
        QStringList items;
        for (QAction* action : dialog->PopupMenu().actions()) {
            items << (action->isSeparator()
                          ? QStringLiteral("-")
                          : action->objectName() + QLatin1Char(' ') + action->text());
        }
        QCOMPARE(items,
                 QStringList({"9951 &Open", "9952 &Configure", "9953 &About", "-", "9950 E&xit"}));
        dialog->show();
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        dialog->OnTrayCommand(9999); // unassigned: nothing
        QCOMPARE(finished.count(), 0);
        dialog->OnTrayCommand(9952);
        QCOMPARE(dialog->configures, 2);
        dialog->OnTrayCommand(CClockDlg::ID_TRAY_EXIT);
        QCOMPARE(finished.count(), 1);
    }
};

QTEST_MAIN(TestClockDlg)
#include "clock_dlg.moc"
