// What the clock asks the X server that Qt does not ask for it: whether a compositing manager
// runs, and the desktop background that a window without one shows through (the root
// window's background pixmap, as desktop setters publish it in _XROOTPMAP_ID or
// ESETROOT_PMAP_ID). Never the contents of other windows: the pixmap is the wallpaper alone.
// Built into its own library (libxcb), which only the desktop program links.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace tarnwick {

// True when a client owns the selection (for example _NET_WM_CM_S0, held by a compositing
// manager of screen 0). False when the connection is null or the server does not answer.
bool X11SelectionHasOwner(xcb_connection_t* connection, const char* selectionName);

// The root window of the connection's first screen.
std::uint32_t X11DefaultRoot(xcb_connection_t* connection);

// Where the top-left corner of window lies on root, in the server's pixels: asked of the
// server, so it holds after the window manager has reparented the window.
bool X11WindowOrigin(xcb_connection_t* connection, std::uint32_t window, std::uint32_t root, int& x,
                     int& y);

// Hands the move of window to the window manager (_NET_WM_MOVERESIZE) as if the user had
// pressed button at (rootX, rootY) on it: the window keeps that point under the pointer. False
// when the window manager does not say it supports the request.
bool X11StartMove(xcb_connection_t* connection, std::uint32_t root, std::uint32_t window, int rootX,
                  int rootY, int button);

// Asks the window manager to raise and focus window (_NET_ACTIVE_WINDOW) on behalf of a user
// action at timestamp (an X server time; 0 when unknown).
void X11ActivateWindow(xcb_connection_t* connection, std::uint32_t root, std::uint32_t window,
                       std::uint32_t timestamp);
// The time stamp a startup-notification id carries after "_TIME", or 0.
std::uint32_t StartupIdTime(const std::string& startupId);
// Tells the desktop that the launch with this startup-notification id is complete
// ("remove: ID=..."), which ends its launch feedback.
void X11StartupComplete(xcb_connection_t* connection, std::uint32_t root,
                        const std::string& startupId);

// Pixels of the desktop background, 0xffRRGGBB each, rows top to bottom.
struct DesktopPixels {
    int x = 0; // where the pixels lie on the root window
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

class X11DesktopBackground {
public:
    // root: the root window the background belongs to. Adds property changes to the events
    // this client takes from the root window, keeping those it already takes.
    X11DesktopBackground(xcb_connection_t* connection, std::uint32_t root);

    // The part of the background at (x, y) of the root window, width x height pixels; parts
    // outside the pixmap are left out (the result is then smaller, or empty). False when no
    // background pixmap is published or it cannot be read (a depth other than 24 or 32).
    bool Read(int x, int y, int width, int height, DesktopPixels& out) const;

    // True for a PropertyNotify of the root window that publishes a new background.
    bool IsBackgroundChange(const void* xcbGenericEvent) const;

private:
    std::uint32_t Pixmap() const;

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    std::uint32_t m_atoms[2] = {0, 0}; // _XROOTPMAP_ID, ESETROOT_PMAP_ID
};

} // namespace tarnwick
