#include "startup/run_mode.h"

#include "settings/clock_settings.h"

namespace tarnwick {

namespace {

RunModeDecision Decide(WindowAction action, bool trayAvailable) {
    RunModeDecision decision;
    decision.action = action;
    if (action == WindowAction::HideToTray && !trayAvailable) {
        decision.action = WindowAction::Minimize;
        decision.trayMissing = true;
    }
    return decision;
}

} // namespace

RunModeDecision RunModeAtStart(int runOption, const CommandLineSwitches& switches,
                               bool trayAvailable) {
    if (switches.hide) {
        return Decide(WindowAction::HideToTray, trayAvailable);
    }
    if (switches.minimize) {
        return Decide(WindowAction::Minimize, trayAvailable);
    }
    if (runOption == kRunHidden) {
        return Decide(WindowAction::HideToTray, trayAvailable);
    }
    if (runOption == kRunMinimized) {
        return Decide(WindowAction::Minimize, trayAvailable);
    }
    return Decide(WindowAction::ShowNormally, trayAvailable);
}

RunModeDecision RunModeAtClose(int runOption, const CommandLineSwitches& switches,
                               bool trayAvailable) {
    if (switches.hide || runOption == kRunHidden) {
        return Decide(WindowAction::HideToTray, trayAvailable);
    }
    if (runOption == kRunMinimized) {
        return Decide(WindowAction::Minimize, trayAvailable);
    }
    return Decide(WindowAction::EndProgram, trayAvailable);
}

} // namespace tarnwick
