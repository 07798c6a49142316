#include "app/clock_dlg.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <QtMath>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "app/about_dlg.h"
#include "app/clock_display.h"
#include "app/tray_icon.h"
#include "app/update_runner.h"
#include "config/config_dlg.h"
#include "config/converter_dlg.h"
#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/network_link.h"
#include "platform/paths.h"
#include "platform/run_at_login.h"
#include "platform/system_time.h"
#include "platform/x11_desktop.h"
#include "sync/clock_sync_client.h"
#include "widgets/app_icon.h"
#include "widgets/core_text.h"
#include "widgets/dialog_units.h"
#include "widgets/window_placement.h"
#include "widgets/worker_messages.h"

namespace tarnwick {

namespace {

// Set by the first OpenMainWindow of the process.
bool g_firstOpen = true;

// Where the environment gives no setter: every step is refused, with the reason shown.
class NoClockSetter final : public IClockSetter {
public:
    ClockStepResult StepBy(std::int64_t, std::stop_token) override {
        return {false, "this copy of the program cannot set the clock"};
    }
};

const QColor kLcdText(0, 0, 50);
const QColor kLcdCell(0, 255, 255);

// Hands the X events of the root window to a callback (Qt gives native events to filters only).
class RootEventWatch final : public QAbstractNativeEventFilter {
public:
    explicit RootEventWatch(std::function<void(const void*)> onEvent)
        : m_onEvent(std::move(onEvent)) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type == "xcb_generic_event_t") {
            m_onEvent(message);
        }
        return false; // Qt handles the event as well
    }

private:
    std::function<void(const void*)> m_onEvent;
};

// The widest line the display shows for any date of a year: the widest weekday and the widest
// month of the clock's format, together, at a two-digit day and the wider of AM and PM.
int WidestClockLine(const CClockDisplay& display) {
    auto widest = [&display](auto&& text, int count) {
        int best = 0;
        for (int i = 1; i <= count; ++i) {
            if (display.LineWidth(text(i)) > display.LineWidth(text(best))) {
                best = i;
            }
        }
        return best;
    };
    // 1 March 2026 is a Sunday: day 1 + i is weekday i.
    const int weekday = widest(
        [](int i) {
            return QString::fromStdString(DateTime(2026, 3, 1 + i % 7, 0, 0, 0).Format("%A"));
        },
        6);
    const int month = widest(
        [](int i) {
            return QString::fromStdString(DateTime(2026, 1 + i % 12, 1, 0, 0, 0).Format("%B"));
        },
        11);
    const int hour = widest(
        [](int i) {
            return QString::fromStdString(
                DateTime(2026, 1, 1, i == 0 ? 10 : 22, 0, 0).Format("%p"));
        },
        1);
    // That weekday in that month, on one of seven days in a row.
    for (int day = 22; day <= 28; ++day) {
        const DateTime date(2026, 1 + month % 12, day, hour == 0 ? 10 : 22, 58, 58);
        if (date.GetDayOfWeek() == weekday) {
            return display.LineWidth(QString::fromStdString(FormatClockTime(date)));
        }
    }
    return 0;
}

} // namespace

void DrawOutlinedText(QPainter& painter, QPoint baseline, const QString& text, const QColor& fill,
                      const QColor& outline) {
    QPainterPath path;
    path.addText(baseline, painter.font(), text);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(path, QPen(outline, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, fill);
    painter.restore();
}

bool HasCompositingManager() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) {
        return true; // every Wayland compositor composites
    }
    return X11SelectionHasOwner(X11Connection(), "_NET_WM_CM_S0");
}

CClockDlg::CClockDlg(const ClockDlgEnvironment& environment, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), m_environment(environment),
      m_tickClock(*environment.clock), m_localTime(m_tickClock, *environment.localZone),
      m_otherZone(m_tickClock, *environment.localZone) {
    setObjectName(QStringLiteral("102"));
    setFont(DialogTemplateFont());
    m_compositor = HasCompositingManager();
    if (m_compositor) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else if (xcb_connection_t* connection = X11Connection()) {
        // The wallpaper shows through; a new one shows at once.
        m_background =
            std::make_unique<X11DesktopBackground>(connection, X11DefaultRoot(connection));
        m_backgroundWatch = std::make_unique<RootEventWatch>([this](const void* event) {
            if (m_background->IsBackgroundChange(event) && m_settings.transparentToDesktop) {
                update();
            }
        });
        QCoreApplication::instance()->installNativeEventFilter(m_backgroundWatch.get());
    }
    CreateControls();
    // After the display's first paint, or a while after start for a window that does not show.
    connect(m_display, &CClockDisplay::firstPainted, this, &CClockDlg::OnFirstShown,
            Qt::QueuedConnection);
    QTimer::singleShot(kFirstShownLatestMs, this, &CClockDlg::OnFirstShown);
    m_tray = std::make_unique<CTrayIcon>(m_popupMenu, m_environment.trayAvailable);
    connect(m_tray.get(), &CTrayIcon::openRequested, this, [this] { OpenMainWindow(); });

    m_clockTimer.setSingleShot(true);
    m_clockTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_clockTimer, &QTimer::timeout, this, &CClockDlg::OnClockTick);

    UpdateRunnerEnvironment update;
    update.clock = m_environment.clock;
    update.localZone = m_environment.localZone;
    update.dataDirectory = m_environment.paths.dataDirectory;
    update.messages = m_environment.messages;
    m_updateRunner = std::make_unique<CUpdateRunner>(
        update, showUpdateMessage, [this](const std::string& text) { SetUpdateMessage(text); });
    // The download step ends the program, as closing the window does.
    connect(m_updateRunner.get(), &CUpdateRunner::CloseMainWindow, this,
            [this] { QDialog::reject(); });
    connect(this, &QDialog::finished, this, &CClockDlg::OnRunEnded);

    // The time client: its prompt and messages are shown on this (the UI) thread while the
    // connection thread waits; every change of its status redraws the display at once.
    if (m_environment.clockSetter == nullptr) {
        m_noSetter = std::make_unique<NoClockSetter>();
    }
    IClockSetter& setter =
        m_environment.clockSetter != nullptr ? *m_environment.clockSetter : *m_noSetter;
    if (m_environment.systemTime == nullptr) {
        m_noSystemTime = std::make_unique<FakeSystemTimeService>();
        m_environment.systemTime = m_noSystemTime.get();
    }
    if (m_environment.elapsedClock == nullptr) {
        m_environment.elapsedClock = &BootClock::Instance();
    }
    m_syncMessages =
        std::make_unique<UiThreadMessages>(*m_environment.messages, this, m_syncStop.get_token());
    m_sync = std::make_unique<CClockSyncClient>(
        *m_environment.clock, *m_syncMessages, setter, *m_environment.systemTime,
        m_environment.syncTimings, [this] {
            QMetaObject::invokeMethod(
                this, [this] { OnSyncChanged(); }, Qt::QueuedConnection);
        });
    m_sync->SetNameResolver(m_environment.nameResolver);
    m_checkPollTimer.setInterval(static_cast<int>(m_environment.checkPoll.count()));
    connect(&m_checkPollTimer, &QTimer::timeout, this, &CClockDlg::OnCheckPoll);
    if (m_environment.networkLink != nullptr) {
        m_dialUp = std::make_unique<CDialUpMonitor>(*m_environment.networkLink);
    }

    // Dialog initialisation, in its order.
    m_otherZone.ConnectDatabase(m_environment.paths.dataDirectory, *m_environment.messages);
    LoadAllSettings();
    ApplyAppearance();
    ApplyRunModeAtStart();
    FillPopupMenu();
    if (m_settings.checkTimeStartup) {
        StartCheck(false);
    } // otherwise the status stays StatusNotSynchronized, the time client's first
    ArmCheckTimers();
    m_clockTimer.start(kFirstTickMs);
    setWindowTitle(QString::fromLatin1(kProductName));
}

CClockDlg::~CClockDlg() {
    // First: ends a running check (and a prompt it waits for) and joins its threads, while
    // the window they report to is still whole.
    m_syncStop.request_stop(); // a prompt still waited for is given up, unanswered
    m_sync.reset();
}

void CClockDlg::CreateControls() {
    m_display = new CClockDisplay(this);
    m_display->setObjectName(QString::number(kIdDisplay));
    m_display->setAccessibleName(QStringLiteral("Clocks"));
    m_display->setAccessibleDescription(QString());

    struct ButtonRow {
        QPushButton** button;
        int id;
        const char* text; // with the mnemonic: Alt and the letter presses the button
    };
    const ButtonRow rows[] = {
        {&m_converterButton, kIdConverter, "C&onverter"},
        {&m_checkButton, kIdCheck, "&Check"},
        {&m_aboutButton, kIdAbout, "&About"},
        {&m_configureButton, kIdConfigure, "Con&figure"},
    };
    for (const ButtonRow& row : rows) {
        auto* button = new QPushButton(QString::fromLatin1(row.text), this);
        button->setObjectName(QString::number(row.id));
        button->setAutoDefault(false);
        *row.button = button;
    }
    connect(m_converterButton, &QPushButton::clicked, this, [this] { Converter(); });
    connect(m_checkButton, &QPushButton::clicked, this, [this] { StartCheck(true); });
    connect(m_aboutButton, &QPushButton::clicked, this, [this] { About(); });
    connect(m_configureButton, &QPushButton::clicked, this, [this] { Configure(); });
    LayOut();
}

void CClockDlg::LayOut() {
    // The template's places (dialog units) where they are large enough; larger where the
    // font needs more room: the display fits the widest date of the year and the tallest text
    // of any status, and the window grows around it.
    const DialogUnits units = DialogUnits::FromFont(font());
    int widest = WidestClockLine(*m_display);
    int lines = 0;
    for (const SyncStatusValue status :
         {StatusNotSynchronized, StatusConnecting, StatusDifference, StatusSynchronized}) {
        TimeSyncSnapshot sync;
        sync.status = status;
        sync.currentServer = "time-a.timefreq.bldrdoc.gov"; // a long name of the default list
        sync.differenceSeconds = -(99 * 86400 + 23 * 3600 + 59 * 60 + 59);
        // After an answer: the estimate and the two notes a check most often adds (a server
        // that disagrees and why the clock was left alone, or what keeps the clock). A longer
        // server name or more notes grow the window when they come (SetDisplayText).
        sync.estimate = OffsetInterval{-8639999999999, -8639999000000};
        sync.notes = {"NTP keeps this clock (not synchronized)", "Not set: the servers disagree"};
        StatusBlock statusBlock;
        const std::string block = statusBlock.Next(sync, false, {});
        widest = std::max(widest,
                          m_display->WidestLine(FromCoreText(block).split(QLatin1String("\r\n"))));
        const std::string text = BuildDisplayText(ClockTimes(), block);
        lines = std::max(lines, CClockDisplay::VisibleLineCount(
                                    FromCoreText(text).split(QLatin1String("\r\n"))));
    }
    // The displayed text's own lines too: a long zone name or server widens the display, more
    // notes than foreseen lengthen it.
    const QStringList shown = m_display->Text().split(QLatin1Char('\n'));
    widest = std::max(widest, m_display->WidestLine(shown));
    lines = std::max(lines, CClockDisplay::VisibleLineCount(shown));
    const QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const QSize available = target != nullptr ? target->availableGeometry().size() : QSize();
    QSize display = m_display->SizeFor(widest, lines).expandedTo(units.Rect(0, 0, 159, 129).size());
    if (available.isValid()) {
        display = display.boundedTo(available - QSize(units.X(12), units.Y(32)));
    }
    // Room for the painted title above the display.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int top = std::max(units.Y(11), QFontMetrics(titleFont).height() + 3);
    const int side = units.X(5);

    int buttonWidth = 0;
    int buttonHeight = units.Y(12);
    for (QPushButton* button :
         {m_converterButton, m_checkButton, m_aboutButton, m_configureButton}) {
        buttonWidth = std::max(buttonWidth, button->sizeHint().width());
        buttonHeight = std::max(buttonHeight, button->sizeHint().height());
    }
    // The template's row: 41, 34, 34 and 34 units wide, 4 apart; wider where the text needs.
    const int templateWidths[] = {41, 34, 34, 34};
    const int gap = units.X(4);
    int row = 3 * gap;
    for (int w : templateWidths) {
        row += std::max(units.X(w), buttonWidth);
    }
    const int finalWidth =
        std::max({display.width() + 2 * side, row + 2 * units.X(7), units.X(171)});
    display.setWidth(finalWidth - 2 * side);
    m_display->setGeometry(side, top, display.width(), display.height());
    int x = (finalWidth - row) / 2;
    const int y = top + display.height() + units.Y(5);
    for (int index = 0; QPushButton * button :
                        {m_converterButton, m_checkButton, m_aboutButton, m_configureButton}) {
        const int w = std::max(units.X(templateWidths[index++]), buttonWidth);
        button->setGeometry(x, y, w, buttonHeight);
        x += w + gap;
    }
    setFixedSize(finalWidth, std::max(y + buttonHeight + units.Y(4), units.Y(161)));
}

void CClockDlg::LoadAllSettings() {
    std::string problem;
    // At start the start-at-login entry is rewritten after the first paint (OnFirstShown).
    LoadSettings(m_environment.paths.settingsDirectory, m_settings,
                 m_firstShownDone ? m_environment.runAtLogin : nullptr, nullptr, &problem);
    // Said once: every reload (after each Configure) finds the same file.
    if (!problem.empty() && !m_settingsTold) {
        m_settingsTold = true;
        problem[0] = 'T'; // "the settings file ..."
        m_environment.messages->Show(problem + ".", kProductName, MessageButtons::Ok,
                                     MessageIcon::Exclamation);
    }
    m_otherZone.LoadZone(m_settings.timeZoneId);
    m_sync->ClearServers();
    const std::string& list = SelectedServerList(m_settings);
    const std::string error = ServerListLengthError(list);
    if (!error.empty() && error != m_serverListError) {
        // Said once, after the window is up: a list cut short would ask other hosts.
        QTimer::singleShot(0, this, [this, error] {
            m_environment.messages->Show(error, kProductName, MessageButtons::Ok,
                                         MessageIcon::Exclamation);
        });
    }
    m_serverListError = error;
    if (error.empty()) {
        m_sync->ParseServerList(list);
    }
    m_sync->SetCheckOptions({m_settings.checkTimeMarginOfError, m_settings.checkTimeUpdateOption});
}

void CClockDlg::ApplyAppearance() {
    // Characters on cells of their own colour over a black field: dark blue on cyan as an LCD,
    // otherwise the window's text on the window's colour.
    m_display->SetColours(
        m_settings.clockBlueLcd ? kLcdText : palette().color(QPalette::WindowText),
        m_settings.clockBlueLcd ? kLcdCell : palette().color(QPalette::Window), Qt::black);
    update();
}

void CClockDlg::FillPopupMenu() {
    AddMenuItem(ID_TRAY_OPEN, QStringLiteral("&Open"));
    AddMenuItem(ID_TRAY_CONFIGURE, QStringLiteral("&Configure"));
    AddMenuItem(ID_TRAY_ABOUT, QStringLiteral("&About"));
    AddMenuSeparator();
    AddMenuItem(ID_TRAY_EXIT, QStringLiteral("E&xit"));
}

void CClockDlg::AddMenuItem(int commandId, const QString& text) {
    QAction* action = m_popupMenu.addAction(text);
    action->setObjectName(QString::number(commandId));
    action->setData(commandId);
    connect(action, &QAction::triggered, this, [this, commandId] { OnTrayCommand(commandId); });
}

void CClockDlg::AddMenuSeparator() {
    m_popupMenu.addSeparator();
}

void CClockDlg::OnTrayCommand(int commandId) {
    switch (commandId) {
    case ID_TRAY_OPEN:
        OpenMainWindow();
        break;
    case ID_TRAY_CONFIGURE:
        Configure();
        break;
    case ID_TRAY_ABOUT:
        About();
        break;
    case ID_TRAY_EXIT:
        QDialog::reject(); // ends the program whatever the run mode
        break;
    default:
        break; // the rest of 9950-9999 does nothing
    }
}

void CClockDlg::SetUpdateMessage(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_updateMutex);
    m_updateMessage = text;
}

void CClockDlg::OnClockTick() {
    m_clockTimer.stop();
    m_firstTickDone = true;
    const std::int64_t now = m_tickClock.Latch();
    const ClockTimes times = ReadClockTimes(m_localTime, m_otherZone);
    std::string updateMessage;
    {
        std::lock_guard<std::mutex> lock(m_updateMutex);
        updateMessage = m_updateMessage;
    }
    const TimeSyncSnapshot sync = SyncState();
    const std::string block = m_statusBlock.Next(sync, showUpdateMessage.load(), updateMessage);
    SetDisplayText(BuildDisplayText(times, block));
    SetTip(FromCoreText(BuildTipText(times.localNow, sync.estimate)));
    m_clockTimer.start(MillisecondsToNextTick(now));
    emit ticked(m_tickClock.NowUnixSeconds());
}

void CClockDlg::SetDisplayText(const std::string& text) {
    m_display->SetText(FromCoreText(text));
    if (!m_display->Fits()) {
        LayOut(); // a zone name or server longer than any foreseen
    }
}

void CClockDlg::SetTip(const QString& text) {
    m_tray->SetTip(text);
    m_tipText = m_tray->Tip();
}

void CClockDlg::StartCheck(bool tellIfRunning) {
    if (!m_serverListError.empty()) {
        if (tellIfRunning) {
            m_environment.messages->Show(m_serverListError, kProductName, MessageButtons::Ok,
                                         MessageIcon::Exclamation);
        }
        return;
    }
    if (!m_sync->StartSync()) {
        if (tellIfRunning) {
            m_environment.messages->Show("You already checked your time.  Check again later.",
                                         kProductName, MessageButtons::Ok,
                                         MessageIcon::Information);
        }
        return;
    }
    // Each check also runs the daily update check on a thread of its own; it does nothing in a
    // build without an update site, and nothing more than once a day.
    m_updateRunner->Start();
}

TimeSyncSnapshot CClockDlg::SyncState() const {
    return m_sync->Snapshot();
}

void CClockDlg::OnSyncChanged() {
    const int steps = m_sync->Snapshot().clockSteps;
    if (steps != m_clockStepsSeen) {
        m_clockStepsSeen = steps;
        ArmCheckTimers(); // the interval counts from the program's own step
    }
    if (m_firstTickDone) {
        OnClockTick(); // the change shows now, not at the next second
    }
}

void CClockDlg::OnCheckPoll() {
    const std::int64_t now = m_environment.elapsedClock->ElapsedMilliseconds();
    if (m_schedule.IsDue(now)) {
        // Armed again from now: a machine that slept through the due time checks once.
        m_schedule.Arm(now, m_settings.checkTimeHourInterval);
        StartCheck(false);
    }
    if (m_dialUp != nullptr && m_settings.checkTimeInterval == kCheckOnDialUp && m_dialUp->Poll()) {
        StartCheck(false);
    }
}

void CClockDlg::Configure() {
    CConfigDlg::Environment environment;
    environment.settingsDirectory = m_environment.paths.settingsDirectory;
    environment.dataDirectory = m_environment.paths.dataDirectory;
    environment.messages = m_environment.messages;
    environment.runAtLogin = m_environment.runAtLogin;
    environment.localTime = &m_localTime;
    CConfigDlg dialog(environment, this);
    const bool saved = dialog.exec() == QDialog::Accepted;
    // Even after Cancel: a zone picked in the editor has been written already.
    LoadAllSettings();
    if (saved) {
        ArmCheckTimers();
        ApplyAppearance();
    }
    OnClockTick(); // the new zone and style show at once
}

void CClockDlg::Converter() {
    // The zones' offsets and the user's day and hour as the last tick read them.
    const ClockTimes times = ReadClockTimes(m_localTime, m_otherZone);
    CConverterDlg converter(this);
    converter.SetOffset(ConverterOffsetFrom(times.localOffsetMinutes, times.otherOffsetMinutes));
    converter.SetNow({times.localNow.GetDayOfWeek(), times.localNow.GetHour()});
    converter.exec();
}

void CClockDlg::ArmCheckTimers() {
    m_schedule.Disarm();
    if (m_settings.checkTimeInterval == kCheckEveryHours) {
        m_schedule.Arm(m_environment.elapsedClock->ElapsedMilliseconds(),
                       m_settings.checkTimeHourInterval);
    }
    const bool dialUp = m_settings.checkTimeInterval == kCheckOnDialUp && m_dialUp != nullptr;
    if (m_schedule.IsArmed() || dialUp) {
        m_checkPollTimer.start();
    } else {
        m_checkPollTimer.stop();
    }
}

const char* const CClockDlg::kNoTrayMessage =
    "This desktop has no notification area, so Tarnwick cannot hide behind an icon: it is "
    "minimized instead. Start Tarnwick again to bring its window back.";

void CClockDlg::ApplyRunModeAtStart() {
    // The notification area is asked about only when the window is to hide behind it: asking
    // costs a round trip to the session bus, before the first paint.
    m_startDecision = RunModeAtStart(m_settings.runOption, m_environment.switches, true);
    if (m_startDecision.action == WindowAction::HideToTray) {
        m_startDecision =
            RunModeAtStart(m_settings.runOption, m_environment.switches, m_tray->IsAvailable());
    }
    if (m_startDecision.trayMissing && m_environment.trayWait.count() > 0) {
        // Hidden until the notification area comes or the wait ends (OnTrayWait).
        m_startHidden = true;
        m_trayWaitEnd = std::chrono::steady_clock::now() + m_environment.trayWait;
        m_trayWaitTimer.setInterval(kTrayWaitPollMs);
        connect(&m_trayWaitTimer, &QTimer::timeout, this, &CClockDlg::OnTrayWait);
        m_trayWaitTimer.start();
        return;
    }
    switch (m_startDecision.action) {
    case WindowAction::HideToTray:
        SetTip(QString::fromLatin1(kProductName)); // until the first tick
        m_tray->AddIcon();
        m_startHidden = true;
        break;
    case WindowAction::Minimize:
        // Shown minimised, not centred; without a notification area only after saying why.
        if (!m_startDecision.trayMissing) {
            setWindowState(Qt::WindowMinimized);
        }
        break;
    default:
        break; // normal: the window shows after the pictures, centred by QDialog
    }
    m_firstShowPending = true;
}

void CClockDlg::OnTrayWait() {
    if (m_tray->IsAvailable()) {
        m_trayWaitTimer.stop();
        m_startDecision = RunModeAtStart(m_settings.runOption, m_environment.switches, true);
        m_tray->AddIcon(); // with the tip of the last tick
        return;
    }
    if (std::chrono::steady_clock::now() < m_trayWaitEnd) {
        return;
    }
    m_trayWaitTimer.stop();
    m_startHidden = false;
    m_firstShowPending = true;
    show(); // says why, then minimises
}

void CClockDlg::TellTrayMissing() {
    if (m_trayMissingTold) {
        return;
    }
    m_trayMissingTold = true;
    m_environment.messages->Show(kNoTrayMessage, kProductName, MessageButtons::Ok,
                                 MessageIcon::Information);
}

void CClockDlg::HideToTray() {
    m_tray->AddIcon();
    // QWidget's own hide: QDialog's would also end the modal run.
    QWidget::setVisible(false);
}

void CClockDlg::setVisible(bool visible) {
    if (visible && m_startHidden) {
        m_startHidden = false;
        return;
    }
    if (visible && m_firstShowPending && !isMinimized() && !testAttribute(Qt::WA_Moved)) {
        CentreOnScreen(); // on the available area, at the window's real size
    }
    QDialog::setVisible(visible);
    if (visible && m_firstShowPending) {
        m_firstShowPending = false;
        if (m_startDecision.trayMissing) {
            // Said over the window before it goes: a message shown earlier would stand alone on
            // the screen, and one over a minimised window goes down with it on some desktops.
            QTimer::singleShot(0, this, [this] {
                TellTrayMissing();
                showMinimized();
            });
        } else if (isMinimized() && windowHandle() != nullptr) {
            // X11 window managers map the window normally when only the widget's state says
            // minimised; asking its native window again makes it start iconic.
            windowHandle()->showMinimized();
        }
    }
}

void CClockDlg::OnFirstShown() {
    if (m_firstShownDone) {
        return;
    }
    m_firstShownDone = true;
    // What the first paint does not need: the icons (their pictures load Qt's image plugins)
    // and the start-at-login entry, which every start rewrites to follow the settings.
    QApplication::setWindowIcon(AppIcon());
    setWindowIcon(AppIcon());
    if (m_environment.runAtLogin != nullptr) {
        m_environment.runAtLogin->WriteRunValue(kProductName, m_settings.loginStartup,
                                                ExecutablePath());
    }
    emit startUpWorkDue();
}

void CClockDlg::About() {
    CAboutDlg about(this);
    about.exec();
}

void CClockDlg::CloseAction() {
    const RunModeDecision decision =
        RunModeAtClose(m_settings.runOption, m_environment.switches, m_tray->IsAvailable());
    if (decision.trayMissing) {
        TellTrayMissing();
    }
    switch (decision.action) {
    case WindowAction::HideToTray:
        HideToTray();
        break;
    case WindowAction::Minimize:
        showMinimized();
        break;
    default:
        QDialog::reject(); // the modal run ends, and the program with it
        break;
    }
}

void CClockDlg::OnRunEnded() {
    // The time check gives up a prompt it waits for, unanswered, and steps nothing; a box
    // still shown runs an event loop of its own, which must end for the program to.
    m_syncStop.request_stop();
    for (QMessageBox* box : findChildren<QMessageBox*>()) {
        box->reject();
    }
}

void CClockDlg::reject() {
    CloseAction();
}

void CClockDlg::OpenMainWindow(const QString& activationToken) {
    m_trayWaitTimer.stop(); // asked for the window: no more waiting to hide
    m_startHidden = false;
    showNormal();
    if (g_firstOpen) {
        g_firstOpen = false;
        CentreOnScreen();
    }
    raise();
    Activate(activationToken);
}

void CClockDlg::Activate(const QString& token) {
    QWindow* window = windowHandle();
    if (window == nullptr) {
        return;
    }
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        if (token.isEmpty()) {
            activateWindow();
            return;
        }
        // Qt's Wayland plugin hands this token to the compositor with the activation request
        // (and unsets it), which then raises the window and brings it back from the task bar.
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        window->requestActivate();
        // A compositor without the activation protocol does nothing with it: showing the
        // window anew is the one request every compositor answers by putting it in front.
        QTimer::singleShot(kActivationWaitMs, this, [this] {
            if (isVisible() && !isActiveWindow()) {
                QWidget::setVisible(false);
                QWidget::setVisible(true);
            }
        });
        return;
    }
    if (xcb_connection_t* connection = X11Connection(); connection != nullptr && !token.isEmpty()) {
        // The launcher's time stamp tells the window manager that the user asked for this
        // window; then the launch feedback (a busy cursor, a task bar entry) ends.
        X11ActivateWindow(connection, X11DefaultRoot(connection), std::uint32_t(winId()),
                          StartupIdTime(token.toStdString()));
        X11StartupComplete(connection, X11DefaultRoot(connection), token.toStdString());
        return;
    }
    activateWindow();
}

void CClockDlg::CentreOnScreen() {
    QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (target == nullptr) {
        return;
    }
    const QRect available = target->availableGeometry();
    const QSize frame = frameGeometry().size();
    move(available.center() - QPoint(frame.width() / 2, frame.height() / 2));
}

QRect CClockDlg::CloseGlyphRect() const {
    return QRect(m_closeGlyphLeft, 1, width() - m_closeGlyphLeft, m_closeGlyphHeight);
}

void CClockDlg::showEvent(QShowEvent* event) {
    // The first tick comes at the latest 100 ms after initialisation, and at once when the
    // window shows earlier, so that the window never appears with an empty display.
    if (!m_firstTickDone) {
        OnClockTick();
    }
    QDialog::showEvent(event);
}

void CClockDlg::PaintDesktop(QPainter& painter) {
    if (m_background == nullptr || !testAttribute(Qt::WA_WState_Created)) {
        return;
    }
    xcb_connection_t* connection = X11Connection();
    int x = 0;
    int y = 0;
    if (!X11WindowOrigin(connection, std::uint32_t(internalWinId()), X11DefaultRoot(connection), x,
                         y)) {
        return;
    }
    // The wallpaper behind the window, in the server's pixels.
    const qreal ratio = devicePixelRatioF();
    DesktopPixels pixels;
    if (!m_background->Read(x, y, qCeil(width() * ratio), qCeil(height() * ratio), pixels) ||
        pixels.argb.empty()) {
        return;
    }
    QImage image(reinterpret_cast<const uchar*>(pixels.argb.data()), pixels.width, pixels.height,
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF((pixels.x - x) / ratio, (pixels.y - y) / ratio), image);
}

void CClockDlg::paintEvent(QPaintEvent*) {
    if (isMinimized()) {
        return;
    }
    QPainter painter(this);
    if (m_settings.transparentToDesktop && m_compositor) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        painter.fillRect(rect(), palette().window());
        if (m_settings.transparentToDesktop) {
            PaintDesktop(painter);
        }
    }
    // No caption means no border from the window manager either: a thin one of our own.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    // Title and glyph are drawn in the system's font, not the dialog's, outlined in the
    // window's colour so that they read over a dark desktop as over a light one.
    QFont systemFont = QApplication::font();
    systemFont.setBold(true);
    const QFontMetrics metrics(systemFont);
    painter.setFont(systemFont);
    const QColor fill = palette().color(QPalette::WindowText);
    const QColor outline = palette().color(QPalette::Window);
    const int baseline = 1 + metrics.ascent();
    DrawOutlinedText(painter, QPoint(10, baseline), QString::fromLatin1(kProductName), fill,
                     outline);
    const int glyphWidth = metrics.horizontalAdvance(QLatin1Char('X'));
    m_closeGlyphLeft = width() - 2 * glyphWidth;
    DrawOutlinedText(painter, QPoint(m_closeGlyphLeft, baseline), QStringLiteral("X"), fill,
                     outline);
    m_closeGlyphHeight = metrics.height();
}

void CClockDlg::mousePressEvent(QMouseEvent* event) {
    // Presses on the display come here too: it takes none of its own.
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    if (m_closeGlyphLeft < point.x() && point.x() < width() && 1 <= point.y() &&
        point.y() < m_closeGlyphHeight) {
        CloseAction();
        return;
    }
    // The move starts once the mouse moves, so that a double-click still reaches the window.
    m_dragPending = true;
    m_manualMove = false;
    m_pressGlobal = event->globalPosition().toPoint();
    m_pressWindowPos = pos();
}

void CClockDlg::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragPending || !(event->buttons() & Qt::LeftButton)) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    const QPoint moved = event->globalPosition().toPoint() - m_pressGlobal;
    if (!m_manualMove) {
        if (moved.manhattanLength() < QApplication::startDragDistance()) {
            return;
        }
        if (StartSystemMove()) {
            m_dragPending = false;
            return;
        }
        m_manualMove = true; // no window manager to move us: follow the mouse ourselves
    }
    move(m_pressWindowPos + moved);
}

bool CClockDlg::StartSystemMove() {
    if (xcb_connection_t* connection = X11Connection()) {
        // From the point pressed, not from where the pointer is when the window manager gets
        // the request: the window keeps the pressed point under the pointer.
        const QPoint press = m_pressGlobal * devicePixelRatioF();
        return X11StartMove(connection, X11DefaultRoot(connection), std::uint32_t(winId()),
                            press.x(), press.y(), 1);
    }
    // Wayland: the compositor moves the window with the pointer from here on.
    return windowHandle() != nullptr && windowHandle()->startSystemMove();
}

void CClockDlg::mouseReleaseEvent(QMouseEvent* event) {
    m_dragPending = false;
    m_manualMove = false;
    QDialog::mouseReleaseEvent(event);
}

void CClockDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    m_dragPending = false;
    if (event->button() == Qt::LeftButton) {
        CloseAction();
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

void CClockDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_display != nullptr) {
        LayOut(); // the display's size follows the font
    }
}

void CClockDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (m_settings.transparentToDesktop && !m_compositor) {
        update(); // the desktop behind the window changed
    }
}

void CClockDlg::keyPressEvent(QKeyEvent* event) {
    // Enter presses the button that has the focus; anywhere else it is the close action, as
    // Escape is: in the hidden and minimised modes a stray Enter must not end the program.
    if (event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            CloseAction();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace tarnwick
