#include "app/clock_app.h"

#include <QEventLoop>
#include <QStringList>

#include <cstdio>
#include <string>
#include <vector>

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

CClockApp::CClockApp(int& argc, char** argv) : m_application(argc, argv) {
    // The application name stays the executable's: the instance lock compares it with the
    // holder's process name to tell a live holder from a reused process id.
    QApplication::setApplicationDisplayName(QString::fromLatin1(kProductName));
    QApplication::setWindowIcon(AppIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    m_switches = ParseCommandLine(ArgumentsAfterProgram(QApplication::arguments()));
}

CClockApp::~CClockApp() = default;

bool CClockApp::InitNetwork() {
    return true; // sockets need no set-up here
}

int CClockApp::Run() {
    QtMessageBox messages;

    std::string refusal;
    if (IsRefusedProgramPath(ExecutablePath(), refusal)) {
        messages.Show(refusal, kProductName, MessageButtons::Ok, MessageIcon::Exclamation);
        return kExitRefusedPath;
    }
    for (const std::string& error : m_switches.errors) {
        std::fprintf(stderr, "tarnwick: %s\n", error.c_str());
    }
    if (!m_switches.errors.empty()) {
        return kExitBadArguments;
    }

    if (!InitNetwork()) {
        messages.Show("Windows sockets initialization failed.", kProductName, MessageButtons::Ok,
                      MessageIcon::Exclamation);
        return kExitNormal;
    }

    if (m_switches.editZones) {
        return RunZoneEditorAlone(messages);
    }

    auto instance = std::make_unique<SingleInstance>();
    switch (instance->Acquire()) {
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

    if (!IsDatabaseEngineAvailable()) {
        messages.Show(kNoDatabaseEngine, kProductName, MessageButtons::Ok,
                      MessageIcon::Exclamation);
        return kExitNoDatabase;
    }

    const std::unique_ptr<ILocalZone> localZone = MakeSystemLocalZone();
    XdgRunAtLogin runAtLogin;
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
                     &CClockDlg::OpenMainWindow);
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
