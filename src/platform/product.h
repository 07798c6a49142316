// The program's name and version, as it shows them: captions, the window title, the tip, the
// start-at-login entry and the update check all take them from here.
#pragma once

namespace tarnwick {

inline constexpr const char* kProductName = "Tarnwick";
// The application id: the installed icon's name in the theme and the desktop entry's.
inline constexpr const char* kApplicationId = "org.tarnwick.Tarnwick";
// The version this build was made from (the project's version in CMakeLists.txt).
inline constexpr const char* kProductVersion = TARNWICK_VERSION;

} // namespace tarnwick
