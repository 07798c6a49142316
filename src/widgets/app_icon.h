// The program's icon (resource 128): a clock face drawn for Tarnwick, in every size the
// window manager, the tray and the about box ask for.
#pragma once

#include <QIcon>

namespace tarnwick {

QIcon AppIcon();

} // namespace tarnwick
