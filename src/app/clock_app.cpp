#include "app/clock_app.h"

#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/bench_probe.h"
#include "app/clock_dlg.h"
#include "app/single_instance.h"
#include "app/splash_dlg.h"
#include "editor/time_zone_editor_dlg.h"
#include "platform/clock.h"
#include "platform/clock_setter.h"
#include "platform/local_zone.h"
#include "platform/network_link.h"
#include "platform/paths.h"
#include "platform/system_time.h"
#include "platform/xdg_run_at_login.h"
#include "settings/clock_settings.h"
#include "settings/settings_file.h"
#include "widgets/app_icon.h"
#include "widgets/qt_message_box.h"
#include "widgets/window_placement.h"
#include "zones/zone_database.h"

namespace tarnwick {

namespace {

constexpr char kNoDatabaseEngine[] =
    "DAO doesn't seem to be installed.  When you install Tarnwick as Custom Install make sure "
    "you specify to install DAO.  Please reinstall with DAO.";

std::vector<std::string> ArgumentsAfterProgram(const QStringList& arguments) {
    std::vector<std::string> result;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        result.push_back(arguments[i].toStdString());
    }
    return result;
}

} // namespace

namespace {

constexpr char kNoDisplay[] =
    "tarnwick: no desktop to show the clock on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
    "Start it from a desktop session, or use tarnwick-cli for the clock without a window.\n";

QtMessageHandler g_previousHandler = nullptr;
bool g_platformStarting = false; // between CheckDisplay and the application object's end

void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type == QtFatalMsg && g_platformStarting) {
        // The platform plugin gave up while the application object was made: no display.
        std::fprintf(stderr, "tarnwick: cannot open a window: %s\n", qPrintable(message));
        std::fflush(stderr);
        std::_Exit(CClockApp::kExitNoDisplay);
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, message);
    }
}

} // namespace

bool CClockApp::CheckDisplay(int argc, char** argv) {
    g_previousHandler = qInstallMessageHandler(StartupMessageHandler);
    g_platformStarting = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            return true;
        }
    }
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return true;
    }
    std::fputs(kNoDisplay, stderr);
    return false;
}

CClockApp::CClockApp(int& argc, char** argv)
    : m_activationToken(SingleInstance::ActivationTokenFromEnvironment()),
      m_application(argc, argv) {
    g_platformStarting = false;
    // The product's name is the tray item's title and the X11 window class ("tarnwick",
    // "Tarnwick"); the instance lock records the process name, not this one. No display
    // name: Qt would add it to every window title, which already names the product.
    QApplication::setApplicationName(QString::fromLatin1(kProductName));
    // The desktop entry's id: the window's Wayland app id and X11 class, so that shells link
    // the window to its launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tarnwick.Tarnwick"));
    QApplication::setQuitOnLastWindowClosed(false);
    InstallDialogPlacement();
    m_switches = ParseCommandLine(ArgumentsAfterProgram(QApplication::arguments()));
}

CClockApp::~CClockApp() = default;

int CClockApp::Run() {
    QtMessageBox messages;

    std::string refusal;
    if (IsRefusedProgramPath(ExecutablePath(), refusal)) {
        messages.Show(refusal, kProductName, MessageButtons::Ok, MessageIcon::Exclamation);
        return kExitRefusedPath;
    }
    // main() has refused bad switches already, but these are the ones Qt left: an option of
    // Qt's given as the value of --dir ("--dir -style") takes the value away again.
    for (const std::string& error : m_switches.errors) {
        std::fprintf(stderr, "tarnwick: %s\n", error.c_str());
    }
    if (!m_switches.errors.empty()) {
        return kExitBadArguments;
    }

    if (m_switches.editZones) {
        return RunZoneEditorAlone(messages);
    }

    auto instance = std::make_unique<SingleInstance>();
    switch (instance->Acquire(2000, m_activationToken)) {
    case SingleInstance::Outcome::First:
        break;
    case SingleInstance::Outcome::AnotherAnswered:
        return kExitNormal;
    case SingleInstance::Outcome::AnotherSilent:
        messages.Show(std::string("You Already Have An Instance Of ") + kProductName,
                      std::string("Exiting ") + kProductName, MessageButtons::Ok,
                      MessageIcon::None);
        return kExitAnotherInstance;
    }

    // SQLite is linked in, so this fails only when it cannot even open a database in memory;
    // the clock then could not show its second zone, and says so rather than start half-way.
    if (!IsDatabaseEngineAvailable()) {
        messages.Show(kNoDatabaseEngine, kProductName, MessageButtons::Ok,
                      MessageIcon::Exclamation);
        return kExitNoDatabase;
    }

    const std::unique_ptr<ILocalZone> localZone = MakeSystemLocalZone();
    XdgRunAtLogin runAtLogin({}, LoginArguments(m_switches));
    ClockDlgEnvironment environment;
    environment.clock = &SystemClock::Instance();
    environment.localZone = localZone.get();
    environment.paths = m_switches.dataDirectory.empty() ? DefaultDataPaths()
                                                         : DataPathsIn(m_switches.dataDirectory);
    environment.messages = &messages;
    environment.runAtLogin = &runAtLogin;
    environment.switches = m_switches;
    const std::unique_ptr<IClockSetter> clockSetter = MakeSystemClockSetter();
    const std::unique_ptr<INetworkLink> networkLink = MakeSystemNetworkLink();
    const std::unique_ptr<ISystemTimeService> systemTime = MakeSystemTimeService();
    environment.clockSetter = clockSetter.get();
    environment.networkLink = networkLink.get();
    environment.systemTime = systemTime.get();

    CClockDlg window(environment);
    messages.SetParent(&window);
    QObject::connect(instance.get(), &SingleInstance::openRequested, &window,
                     [&window](const QString& token) { window.OpenMainWindow(token); });
    // The bus is not needed for the first paint: later copies find the socket until then.
    QObject::connect(&window, &CClockDlg::startUpWorkDue, instance.get(),
                     [&instance] { instance->PublishOnBus(); });
    if (qEnvironmentVariableIsSet("TARNWICK_BENCH")) {
        InstallBenchProbe(window);
    }
    if (window.ShowsStartUpPicture()) {
        // TARNWICK_SPLASH_MS shortens the pictures for benchmarks and tests (0: none).
        bool set = false;
        const int stepMs = qEnvironmentVariableIntValue("TARNWICK_SPLASH_MS", &set);
        if (!set || stepMs > 0) {
            CSplashDlg splash(QString::fromLatin1(CSplashDlg::kFirstPicture),
                              QString::fromLatin1(CSplashDlg::kSecondPicture),
                              set ? stepMs : CSplashDlg::kStepMs);
            splash.exec();
        }
    }
    // The run lasts until the window finishes (the close action in normal mode, "E&xit"). Not
    // QDialog::exec: its loop ends only when a visible dialog hides, and "E&xit" may come while
    // the window is hidden behind the icon.
    QEventLoop run;
    QObject::connect(&window, &QDialog::finished, &run, &QEventLoop::quit);
    window.show(); // a window that starts hidden stays hidden
    run.exec();
    // The clock is done: a copy started while this one ends (the window stops its threads,
    // abandoning what cannot be interrupted) runs as the first.
    instance.reset();
    messages.SetParent(nullptr);
    return kExitNormal;
}

// The editor without the clock: "Use" makes the chosen zone the clock's other zone, as the
// configuration dialog does.
int CClockApp::RunZoneEditorAlone(IMessageBox& messages) {
    QApplication::setWindowIcon(AppIcon());
    if (!IsDatabaseEngineAvailable()) {
        messages.Show(kNoDatabaseEngine, kProductName, MessageButtons::Ok,
                      MessageIcon::Exclamation);
        return kExitNoDatabase;
    }
    const DataPaths paths = m_switches.dataDirectory.empty()
                                ? DefaultDataPaths()
                                : DataPathsIn(m_switches.dataDirectory);
    const std::string settingsPath = SettingsFilePath(paths.settingsDirectory);
    CSettingsFile settings;
    int zoneId = -1;
    settings.ReadInt(settingsPath, "OTHERCOUNTRY", "TIMEZONEID", zoneId, -1);
    const ZoneEditorResult result = RunZoneEditor(paths.dataDirectory, zoneId == -1 ? 0 : zoneId);
    if (result.accepted &&
        !settings.WriteInt(settingsPath, "OTHERCOUNTRY", "TIMEZONEID", result.zoneId)) {
        messages.Show("The chosen zone could not be saved: " + settings.LastError(), kProductName,
                      MessageButtons::Ok, MessageIcon::Exclamation);
        return kExitNotSaved;
    }
    return kExitNormal;
}

} // namespace tarnwick
