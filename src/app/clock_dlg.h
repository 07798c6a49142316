// The main clock window (template 102): a captionless box whose read-only display shows the
// other zone, the computer's zone and GMT, and the synchronisation status.
//
// Data flow of one tick:
//   clock timer -> ReadClockTimes (local now, GMT now, other-zone now from the core)
//   -> StatusBlock::Next (SyncStatus, update message, alternation)
//   -> BuildDisplayText (the whole text, CR LF lines) -> the display and the tray tip.
// The window formats nothing itself; the tick reads the time client's snapshot (the one owner
// of the check's state) and the update check's message once a second.
#pragma once

#include <QColor>
#include <QDialog>
#include <QMenu>
#include <QPoint>
#include <QString>
#include <QTimer>

class QAbstractNativeEventFilter;
class QPainter;

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

#include "display/display_text.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "settings/clock_settings.h"
#include "startup/command_line.h"
#include "startup/run_mode.h"
#include "sync/check_policy.h"
#include "sync/time_sync_client.h"
#include "zones/local_time_info.h"
#include "zones/zone_clock.h"

class QPushButton;

namespace tarnwick {

class CClockDisplay;
class CClockSyncClient;
class CTrayIcon;
class X11DesktopBackground;
class CUpdateRunner;
class IClock;
class IClockSetter;
class IElapsedClock;
class INameResolver;
class INetworkLink;
class ISystemTimeService;

class ILocalZone;
class IMessageBox;
class IRunAtLogin;
class UiThreadMessages;

// What the window needs from the outside world; all of it outlives the window.
struct ClockDlgEnvironment {
    const IClock* clock = nullptr;
    const ILocalZone* localZone = nullptr;
    DataPaths paths;
    IMessageBox* messages = nullptr;
    IRunAtLogin* runAtLogin = nullptr;   // may be null: the start-at-login entry is left alone
    IClockSetter* clockSetter = nullptr; // may be null: the clock is never set
    const INetworkLink* networkLink = nullptr; // may be null: no check when a network comes up
    // What the system's time service says; null: nothing keeps the clock.
    const ISystemTimeService* systemTime = nullptr;
    const IElapsedClock* elapsedClock = nullptr; // the interval's clock; null: BootClock
    const INameResolver* nameResolver = nullptr; // null: the system's
    SyncTimings syncTimings;                     // the time client's waits (tests shorten them)
    // How often the interval's due time and the network are looked at (tests shorten it).
    std::chrono::milliseconds checkPoll{CDialUpMonitor::kPollMilliseconds};
    CommandLineSwitches switches;
    // Whether a notification area exists; null asks QSystemTrayIcon.
    std::function<bool()> trayAvailable;
    // How long a start that is to hide waits for a notification area not there yet: at login
    // the panel often comes up after the programs it starts.
    std::chrono::milliseconds trayWait{5000};
};

class CClockDlg : public QDialog {
    Q_OBJECT

public:
    // Control ids of template 102; each control's objectName is its id in decimal.
    enum : int {
        kIdDisplay = 1001,
        kIdConfigure = 1005,
        kIdAbout = 1010,
        kIdConverter = 1011,
        kIdCheck = 1012,
    };
    // Popup-menu commands of the notification icon.
    enum : int {
        ID_TRAY_EXIT = 9950,
        ID_TRAY_OPEN = 9951,
        ID_TRAY_CONFIGURE = 9952,
        ID_TRAY_ABOUT = 9953,
        kTrayCommandLast = 9999,
    };
    static constexpr int kFirstTickMs = 100;
    static constexpr int kCheckPollMs = CDialUpMonitor::kPollMilliseconds;
    static constexpr int kTrayWaitPollMs = 250;      // how often a hidden start looks for the tray
    static constexpr int kActivationWaitMs = 500;    // for the compositor to focus the window
    static constexpr int kFirstShownLatestMs = 2000; // deferred start-up work, at the latest
    static constexpr int kTemplateWidth = 171;       // dialog units
    static constexpr int kTemplateHeight = 161;

    explicit CClockDlg(const ClockDlgEnvironment& environment, QWidget* parent = nullptr);
    ~CClockDlg() override;

    // Written by the update check (any thread); read by the tick.
    std::atomic<bool> showUpdateMessage{false};
    void SetUpdateMessage(const std::string& text); // any thread

    // The close action: the Escape key, Enter outside a button, the painted "X" and a
    // double-click. In normal mode it ends the modal run.
    void CloseAction();
    // Restores, centres on the first call in the process, raises and activates the window.
    // activationToken: what the desktop gave a later start to hand on (an xdg-activation
    // token on Wayland, a startup-notification id on X11); empty when it gave none.
    void OpenMainWindow(const QString& activationToken = QString());
    // Commands 9950-9999 of the notification icon's popup menu.
    void OnTrayCommand(int commandId);

    // The clock tick: reads "now" once, rebuilds the display and the tip from that instant,
    // then re-arms itself for just after the next whole second.
    void OnClockTick();

    // For tests and the tray.
    const ClockSettings& Settings() const { return m_settings; }
    const QString& TipText() const { return m_tipText; }
    QMenu& PopupMenu() { return m_popupMenu; }
    bool IsClockTimerActive() const { return m_clockTimer.isActive(); }
    int ClockTimerInterval() const { return m_clockTimer.interval(); }
    QRect CloseGlyphRect() const; // as last painted
    bool HasCompositor() const { return m_compositor; }
    CClockDisplay& Display() { return *m_display; }
    bool IsIntervalCheckArmed() const { return m_schedule.IsArmed(); }
    // The time client's state as the tick shows it (a copy; tests script it).
    virtual TimeSyncSnapshot SyncState() const;
    bool IsCheckPollActive() const { return m_checkPollTimer.isActive(); }
    CTrayIcon& Tray() { return *m_tray; }
    // Normal mode at start: the start-up pictures come before the window.
    bool ShowsStartUpPicture() const {
        return m_startDecision.action == WindowAction::ShowNormally;
    }
    static const char* const kNoTrayMessage;

signals:
    // Each tick, once the display holds the second it shows (seconds since 1970, UTC).
    void ticked(qint64 shownUnixSeconds);
    // Once, after the first paint (or a while after a start that shows no window): the time
    // for start-up work that the first paint does not need.
    void startUpWorkDue();

public slots:
    void reject() override; // Escape and the window manager's close: the close action
    // A window that starts hidden stays so when the modal run first shows it.
    void setVisible(bool visible) override;

protected:
    // What the buttons, the menu and the start call; virtual so that tests can record the calls
    // instead of opening dialogs or asking time servers.
    virtual void StartCheck(bool tellIfRunning);
    virtual void Configure();
    virtual void Converter();
    virtual void ArmCheckTimers();
    virtual void ApplyRunModeAtStart();
    virtual void SetTip(const QString& text);
    virtual void About();

    // The settings load: settings, the other zone, the server list.
    void LoadAllSettings();
    // Colours and background after a settings change.
    void ApplyAppearance();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void FillPopupMenu();
    void AddMenuItem(int commandId, const QString& text);
    void AddMenuSeparator();
    void SetDisplayText(const std::string& text);
    // Sizes the display from the font so that the longest date of the year and the longest
    // status block fit, and places the buttons under it.
    void LayOut();
    void PaintDesktop(QPainter& painter);
    void CentreOnScreen();
    // Hands a drag to the window manager or compositor; false when none takes it.
    bool StartSystemMove();
    // Raises and focuses the window with the desktop's token for it, where one came.
    void Activate(const QString& token);
    // UI thread: redraws at once when the time client's state changed; a step of the
    // program's own restarts the interval.
    void OnSyncChanged();
    // The modal run ended, and with it the program (the close action, "E&xit", the update's
    // download step): a time prompt still open is dropped unanswered and nothing is stepped.
    void OnRunEnded();
    // Every kCheckPollMs: the interval's due time and the network-up trigger.
    void OnCheckPoll();
    void HideToTray();
    void TellTrayMissing();
    // While a hidden start waits for the notification area: hide behind it once it is there,
    // or show the window minimised when the wait is over.
    void OnTrayWait();

    ClockDlgEnvironment m_environment;
    // "now" as the current tick read it; the clocks below read this, never the wall clock.
    LatchedClock m_tickClock;
    ClockSettings m_settings;
    CLocalTimeInfo m_localTime;
    CZoneClock m_otherZone;
    StatusBlock m_statusBlock;

    std::mutex m_updateMutex; // guards the update message, written by the update thread
    std::string m_updateMessage;
    // After the mutex: its threads write the update message and are joined before it goes.
    std::unique_ptr<CUpdateRunner> m_updateRunner;

    QTimer m_clockTimer;
    QTimer m_checkPollTimer;
    QTimer m_trayWaitTimer;
    std::chrono::steady_clock::time_point m_trayWaitEnd;
    CheckSchedule m_schedule;
    int m_clockStepsSeen = 0;      // of the time client's snapshot, at the last change
    std::string m_serverListError; // the selected list is refused (too long); empty: fine
    std::unique_ptr<CDialUpMonitor> m_dialUp;
    CClockDisplay* m_display = nullptr;
    QPushButton* m_converterButton = nullptr;
    QPushButton* m_checkButton = nullptr;
    QPushButton* m_aboutButton = nullptr;
    QPushButton* m_configureButton = nullptr;
    QMenu m_popupMenu;
    QString m_tipText;
    std::unique_ptr<CTrayIcon> m_tray; // after the menu, which it shows
    RunModeDecision m_startDecision;
    bool m_firstShowPending = false; // the start's run mode still to finish at the first show
    bool m_startHidden = false;      // the modal run's first show is to be skipped
    bool m_trayMissingTold = false;  // the no-notification-area message was shown
    bool m_settingsTold = false;     // the unusable-settings-file message was shown

    int m_closeGlyphLeft = 0;   // x of the painted "X"
    int m_closeGlyphHeight = 0; // height of the painted "X"

    bool m_compositor = false; // a compositing manager runs: the background can be translucent
    // X11 without a compositing manager: the desktop background, read where the window stands.
    std::unique_ptr<X11DesktopBackground> m_background;
    std::unique_ptr<QAbstractNativeEventFilter> m_backgroundWatch;

    bool m_dragPending = false; // left button down outside the glyph, not moved yet
    bool m_manualMove = false;  // no system move available: the window follows the mouse
    QPoint m_pressGlobal;
    QPoint m_pressWindowPos;

    // The time check: its prompt goes through m_syncMessages to the UI thread. Last, so its
    // threads are joined (by the destructor, first thing) while everything above still exists.
    std::unique_ptr<IClockSetter> m_noSetter; // refuses, when the environment has no setter
    std::unique_ptr<ISystemTimeService> m_noSystemTime; // when the environment has none
    std::stop_source m_syncStop;                        // requested when the window goes
    std::unique_ptr<UiThreadMessages> m_syncMessages;
    std::unique_ptr<CClockSyncClient> m_sync;

    bool m_firstTickDone = false;
    // After the first show: the work the first paint does not need is done (OnFirstShown).
    bool m_firstShownDone = false;
    void OnFirstShown();
};

// True when the desktop can show through a translucent window: a Wayland compositor, or an
// X11 compositing manager owning the _NET_WM_CM_S0 selection.
bool HasCompositingManager();

// Draws text with a one-pixel outline in the contrasting colour, so that it reads on any
// background (the desktop shows behind the window's title).
void DrawOutlinedText(QPainter& painter, QPoint baseline, const QString& text, const QColor& fill,
                      const QColor& outline);

} // namespace tarnwick
