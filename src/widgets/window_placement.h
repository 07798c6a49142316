// Where dialogs open and how large they may be, for every dialog of the program at once:
//   - a dialog never exceeds the screen's available area: one that would is put in a scroll
//     area before it shows (at a large font or scale a form's Save button stays reachable);
//   - a dialog is centred on the window it belongs to once the window manager has mapped it,
//     from both windows' real frames (before the map, Qt can only guess the frame, and a
//     window manager that is still reparenting reports the parent where it was);
//   - Tab into a group of radio buttons lands on the checked one, as arrow keys move within.
#pragma once

#include <QPoint>

class QDialog;
class QWidget;
struct xcb_connection_t;

namespace tarnwick {

// Installs the placement for every dialog the application shows from now on.
void InstallDialogPlacement();

// The two steps, for tests and for windows shown before the placement was installed.
void FitToAvailableArea(QDialog& dialog);
void CentreOnParent(QWidget& window);
// Takes the unchecked buttons of every group of radio buttons under root out of the Tab
// chain while the group has a checked one, and keeps it so as the check moves.
void TabToCheckedRadios(QWidget& root);

// The application's X connection, or null on another platform.
xcb_connection_t* X11Connection();
// Where the window's client area really is (logical pixels): on X11 asked of the server, as
// Qt's own idea can be a frame's height off after the window manager reparented the window.
QPoint RealOrigin(const QWidget& window);

} // namespace tarnwick
