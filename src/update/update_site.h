// The update site this build asks, and the running version it compares with.
#pragma once

#include <string>

namespace tarnwick {

// The root URL given to the build as TARNWICK_UPDATE_URL; empty (the default, and what
// distribution packages use) means the update check is never run.
std::string BuiltInUpdateSite();

// The running version as the update-info file writes versions: 1.1 for "1.10".
double RunningVersion();

} // namespace tarnwick
