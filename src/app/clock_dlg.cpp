#include "app/clock_dlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QWindow>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/about_dlg.h"
#include "app/tray_icon.h"
#include "app/update_runner.h"
#include "config/config_dlg.h"
#include "config/converter_dlg.h"
#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/network_link.h"
#include "platform/process_info.h"
#include "platform/system_time.h"
#include "platform/x11_selection.h"
#include "sync/clock_sync_client.h"
#include "widgets/app_icon.h"
#include "widgets/dialog_units.h"
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

} // namespace

bool HasCompositingManager() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) {
        return true; // every Wayland compositor composites
    }
    if (platform != QLatin1String("xcb")) {
        return false;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return false;
    }
    return X11SelectionHasOwner(x11->connection(), "_NET_WM_CM_S0");
}

CClockDlg::CClockDlg(const ClockDlgEnvironment& environment, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), m_environment(environment),
      m_tickClock(*environment.clock), m_localTime(m_tickClock, *environment.localZone),
      m_otherZone(m_tickClock, *environment.localZone) {
    setObjectName(QStringLiteral("102"));
    setWindowIcon(AppIcon());
    setFont(DialogTemplateFont());
    m_compositor = HasCompositingManager();
    if (m_compositor) {
        setAttribute(Qt::WA_TranslucentBackground);
    }
    CreateControls();
    m_tray = std::make_unique<CTrayIcon>(m_popupMenu, m_environment.trayAvailable);
    connect(m_tray.get(), &CTrayIcon::openRequested, this, &CClockDlg::OpenMainWindow);

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

    if (qEnvironmentVariableIsSet("TARNWICK_BENCH")) {
        m_benchPending = true;
        m_benchTicks = qEnvironmentVariable("TARNWICK_BENCH") == QLatin1String("ticks");
        m_display->viewport()->installEventFilter(this);
    }
}

CClockDlg::~CClockDlg() {
    // First: ends a running check (and a prompt it waits for) and joins its threads, while
    // the window they report to is still whole.
    m_syncStop.request_stop(); // a prompt still waited for is given up, unanswered
    m_sync.reset();
}

void CClockDlg::CreateControls() {
    const DialogUnits units = DialogUnits::FromFont(font());
    setFixedSize(units.X(kTemplateWidth), units.Y(kTemplateHeight));

    m_display = new QTextEdit(this);
    m_display->setObjectName(QString::number(kIdDisplay));
    m_display->setGeometry(units.Rect(5, 11, 159, 129));
    m_display->setReadOnly(true);
    m_display->setUndoRedoEnabled(false);
    m_display->setCursorWidth(0); // no caret, ever
    m_display->setAlignment(Qt::AlignHCenter);
    m_display->setFrameShape(QFrame::Box);
    m_display->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The template's box has no scroll bars; long lines wrap.
    m_display->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_display->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_display->document()->setDocumentMargin(2);

    struct ButtonRow {
        QPushButton** button;
        int id;
        const char* text;
        int x, y, width, height;
    };
    const ButtonRow rows[] = {
        {&m_converterButton, kIdConverter, "Converter", 7, 145, 41, 12},
        {&m_checkButton, kIdCheck, "Check", 52, 145, 34, 12},
        {&m_aboutButton, kIdAbout, "About", 90, 145, 34, 12},
        {&m_configureButton, kIdConfigure, "Configure", 128, 145, 34, 12},
    };
    for (const ButtonRow& row : rows) {
        auto* button = new QPushButton(QString::fromLatin1(row.text), this);
        button->setObjectName(QString::number(row.id));
        button->setGeometry(units.Rect(row.x, row.y, row.width, row.height));
        button->setAutoDefault(false);
        *row.button = button;
    }
    connect(m_converterButton, &QPushButton::clicked, this, [this] { Converter(); });
    connect(m_checkButton, &QPushButton::clicked, this, [this] { StartCheck(true); });
    connect(m_aboutButton, &QPushButton::clicked, this, [this] { About(); });
    connect(m_configureButton, &QPushButton::clicked, this, [this] { Configure(); });
}

void CClockDlg::LoadAllSettings() {
    LoadSettings(m_environment.paths.settingsDirectory, m_settings, m_environment.runAtLogin);
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
    QPalette displayPalette = palette();
    displayPalette.setColor(QPalette::Base, Qt::black);
    displayPalette.setColor(
        QPalette::Text, m_settings.clockBlueLcd ? kLcdText : palette().color(QPalette::WindowText));
    m_display->setPalette(displayPalette);
    m_cellColour = m_settings.clockBlueLcd ? kLcdCell : palette().color(QPalette::Window);
    SetDisplayText(m_display->toPlainText().toStdString());
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
    const TimeSyncSnapshot sync = m_sync->Snapshot();
    const std::string block = m_statusBlock.Next(sync, showUpdateMessage.load(), updateMessage);
    SetDisplayText(BuildDisplayText(times, block));
    SetTip(QString::fromStdString(BuildTipText(times.localNow, sync.estimate)));
    m_tickPaintPending = m_benchTicks;
    m_clockTimer.start(MillisecondsToNextTick(now));
}

void CClockDlg::SetDisplayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // One pass over the document: cleared, then the text inserted with its formats.
    QTextDocument* document = m_display->document();
    document->clear();
    QTextCursor cursor(document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centred);
    QTextCharFormat cells;
    cells.setBackground(m_cellColour);
    cursor.insertText(shown, cells);
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
    m_startDecision =
        RunModeAtStart(m_settings.runOption, m_environment.switches, m_tray->IsAvailable());
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

void CClockDlg::OpenMainWindow() {
    m_trayWaitTimer.stop(); // asked for the window: no more waiting to hide
    m_startHidden = false;
    showNormal();
    if (g_firstOpen) {
        g_firstOpen = false;
        CentreOnScreen();
    }
    raise();
    activateWindow();
    QTextCursor cursor = m_display->textCursor();
    cursor.clearSelection();
    m_display->setTextCursor(cursor);
    m_display->ensureCursorVisible();
}

void CClockDlg::CentreOnScreen() {
    QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (target == nullptr) {
        return;
    }
    const QRect available = target->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
}

QRect CClockDlg::CloseGlyphRect() const {
    return QRect(m_closeGlyphLeft, 1, width() - m_closeGlyphLeft, m_closeGlyphHeight);
}

void CClockDlg::GrabDesktop() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        return; // no desktop to show
    }
    QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (target == nullptr) {
        return;
    }
    QImage desktop = target->grabWindow(0).toImage();
    const qint64 pixels = qint64(desktop.width()) * desktop.height();
    if (pixels > kDesktopPixels) {
        const double factor = std::sqrt(double(kDesktopPixels) / double(pixels));
        desktop = desktop.scaled(int(desktop.width() * factor), int(desktop.height() * factor),
                                 Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    m_desktop = desktop.convertToFormat(QImage::Format_RGB888);
    m_desktopGeometry = target->geometry();
}

void CClockDlg::showEvent(QShowEvent* event) {
    // The first tick comes at the latest 100 ms after initialisation, and at once when the
    // window shows earlier, so that the window never appears with an empty display.
    if (!m_firstTickDone) {
        OnClockTick();
    }
    // Taken before the window maps, so the picture holds what lies behind it; taken even when
    // the setting is off, so that turning it on later does not show the window in its own
    // background.
    if (!m_compositor && m_desktop.isNull()) {
        GrabDesktop();
    }
    QDialog::showEvent(event);
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
        if (m_settings.transparentToDesktop && !m_desktop.isNull() &&
            !m_desktopGeometry.isEmpty()) {
            // The part of the screen behind the window, mapped into the kept picture.
            const QRect behind =
                QRect(mapToGlobal(QPoint(0, 0)), size()).intersected(m_desktopGeometry);
            if (!behind.isEmpty()) {
                const double sx = double(m_desktop.width()) / m_desktopGeometry.width();
                const double sy = double(m_desktop.height()) / m_desktopGeometry.height();
                const QPoint offset = behind.topLeft() - m_desktopGeometry.topLeft();
                const QRectF source(offset.x() * sx, offset.y() * sy, behind.width() * sx,
                                    behind.height() * sy);
                painter.drawImage(QRectF(QRect(mapFromGlobal(behind.topLeft()), behind.size())),
                                  m_desktop, source);
            }
        }
    }
    // No caption means no border from the window manager either: a thin one of our own.
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    // Title and glyph are drawn in the system's font, not the dialog's.
    QFont systemFont = QApplication::font();
    systemFont.setBold(true);
    const QFontMetrics metrics(systemFont);
    painter.setFont(systemFont);
    painter.setPen(Qt::black);
    painter.drawText(10, 1 + metrics.ascent(), QString::fromLatin1(kProductName));
    const int glyphWidth = metrics.horizontalAdvance(QLatin1Char('X'));
    m_closeGlyphLeft = width() - 2 * glyphWidth;
    painter.drawText(m_closeGlyphLeft, 1 + metrics.ascent(), QStringLiteral("X"));
    m_closeGlyphHeight = metrics.height();
}

void CClockDlg::mousePressEvent(QMouseEvent* event) {
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
    const QPoint global = event->globalPosition().toPoint();
    if (!m_manualMove) {
        if ((global - m_pressGlobal).manhattanLength() < QApplication::startDragDistance()) {
            return;
        }
        if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
            m_dragPending = false;
            return;
        }
        m_manualMove = true; // no window manager to move us: follow the mouse ourselves
    }
    move(m_pressWindowPos + (global - m_pressGlobal));
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

void CClockDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (m_settings.transparentToDesktop && !m_compositor) {
        update(); // the desktop behind the window changed
    }
}

void CClockDlg::keyPressEvent(QKeyEvent* event) {
    // Enter presses the button that has the focus; anywhere else it is the dialog's OK,
    // which ends the modal run.
    if (event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CClockDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_tickPaintPending && watched == m_display->viewport() && event->type() == QEvent::Paint) {
        // The second this paint shows, and when (the wall clock) it is put on the screen.
        m_tickPaintPending = false;
        const long long shown = m_tickClock.NowUnixSeconds();
        const TimeSyncSnapshot sync = m_sync->Snapshot();
        const int status = sync.status;
        const long long difference = sync.differenceSeconds;
        QTimer::singleShot(0, this, [this, shown, status, difference] {
            std::fprintf(stderr,
                         "tarnwick-bench: tick shown_s=%lld painted_ms=%lld status=%d "
                         "difference_s=%lld\n",
                         shown, static_cast<long long>(m_environment.clock->NowUnixMilliseconds()),
                         status, difference);
        });
    }
    if (m_benchPending && watched == m_display->viewport() && event->type() == QEvent::Paint &&
        !m_display->document()->isEmpty()) {
        m_benchPending = false;
        if (!m_benchTicks) {
            m_display->viewport()->removeEventFilter(this);
        }
        // Queued: reported once this paint has reached the screen.
        QTimer::singleShot(0, this, [] {
            long long boottimeNs = 0;
            const double sinceStart = MillisecondsSinceProcessStart(boottimeNs);
            std::fprintf(stderr,
                         "tarnwick-bench: first-text boottime_ns=%lld since_start_ms=%.1f\n",
                         boottimeNs, sinceStart);
        });
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tarnwick
