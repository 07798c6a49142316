#include "platform/x11_desktop.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tarnwick {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name, bool onlyIfExists) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, onlyIfExists ? 1 : 0,
                                              static_cast<std::uint16_t>(std::strlen(name)), name),
                              nullptr));
    return reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The screen whose root window is root, or null.
const xcb_screen_t* ScreenOf(xcb_connection_t* connection, xcb_window_t root) {
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem;
         xcb_screen_next(&it)) {
        if (it.data->root == root) {
            return it.data;
        }
    }
    return nullptr;
}

// True when pixels of this depth come as 32-bit words 0x??RRGGBB in the client's byte order,
// which is how every 24- and 32-bit TrueColor server of today sends them.
bool IsPlainRgb32(xcb_connection_t* connection, const xcb_screen_t& screen, std::uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const std::uint16_t probe = 1;
    const bool littleEndian = *reinterpret_cast<const std::uint8_t*>(&probe) == 1;
    if ((setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) != littleEndian) {
        return false;
    }
    bool formatFits = false;
    for (xcb_format_iterator_t it = xcb_setup_pixmap_formats_iterator(setup); it.rem;
         xcb_format_next(&it)) {
        if (it.data->depth == depth) {
            formatFits = it.data->bits_per_pixel == 32;
        }
    }
    if (!formatFits) {
        return false;
    }
    for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(&screen); d.rem;
         xcb_depth_next(&d)) {
        for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem;
             xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen.root_visual) {
                return v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 &&
                       v.data->blue_mask == 0xff;
            }
        }
    }
    return false;
}

} // namespace

bool X11SelectionHasOwner(xcb_connection_t* connection, const char* selectionName) {
    if (connection == nullptr || selectionName == nullptr) {
        return false;
    }
    const xcb_atom_t selection = Atom(connection, selectionName, false);
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    const Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr));
    return owner != nullptr && owner->owner != XCB_WINDOW_NONE;
}

std::uint32_t X11DefaultRoot(xcb_connection_t* connection) {
    if (connection == nullptr) {
        return XCB_WINDOW_NONE;
    }
    const xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    return it.rem ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

bool X11WindowOrigin(xcb_connection_t* connection, std::uint32_t window, std::uint32_t root, int& x,
                     int& y) {
    if (connection == nullptr || window == XCB_WINDOW_NONE) {
        return false;
    }
    const Reply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr));
    if (reply == nullptr) {
        return false;
    }
    x = reply->dst_x;
    y = reply->dst_y;
    return true;
}

bool X11StartMove(xcb_connection_t* connection, std::uint32_t root, std::uint32_t window, int rootX,
                  int rootY, int button) {
    if (connection == nullptr) {
        return false;
    }
    const xcb_atom_t moveResize = Atom(connection, "_NET_WM_MOVERESIZE", false);
    const Reply<xcb_get_property_reply_t> supported(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, root, Atom(connection, "_NET_SUPPORTED", false),
                         XCB_ATOM_ATOM, 0, 1024),
        nullptr));
    if (supported == nullptr || supported->format != 32) {
        return false;
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
    const int count = xcb_get_property_value_length(supported.get()) / 4;
    if (std::find(atoms, atoms + count, moveResize) == atoms + count) {
        return false;
    }
    // The window manager takes the pointer: this client lets go of it first.
    xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = moveResize;
    event.data.data32[0] = std::uint32_t(rootX);
    event.data.data32[1] = std::uint32_t(rootY);
    event.data.data32[2] = 8; // _NET_WM_MOVERESIZE_MOVE
    event.data.data32[3] = std::uint32_t(button);
    event.data.data32[4] = 1; // source: an application
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
    return true;
}

void X11ActivateWindow(xcb_connection_t* connection, std::uint32_t root, std::uint32_t window,
                       std::uint32_t timestamp) {
    if (connection == nullptr) {
        return;
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom(connection, "_NET_ACTIVE_WINDOW", false);
    event.data.data32[0] = 1; // source: an application
    event.data.data32[1] = timestamp;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

std::uint32_t StartupIdTime(const std::string& startupId) {
    const std::size_t at = startupId.rfind("_TIME");
    if (at == std::string::npos) {
        return 0;
    }
    std::uint64_t time = 0;
    std::size_t i = at + 5;
    for (; i < startupId.size() && startupId[i] >= '0' && startupId[i] <= '9'; ++i) {
        time = time * 10 + std::uint64_t(startupId[i] - '0');
        if (time > 0xffffffffu) {
            return 0;
        }
    }
    return i == at + 5 ? 0 : std::uint32_t(time);
}

void X11StartupComplete(xcb_connection_t* connection, std::uint32_t root,
                        const std::string& startupId) {
    if (connection == nullptr || startupId.empty()) {
        return;
    }
    // The message goes out in pieces of 20 bytes, the first of type _NET_STARTUP_INFO_BEGIN,
    // on a window of our own, ended by a zero byte. Quotes and backslashes are escaped.
    std::string message = "remove: ID=\"";
    for (char c : startupId) {
        if (c == '"' || c == '\\') {
            message += '\\';
        }
        message += c;
    }
    message += '"';
    message += '\0';
    const xcb_window_t sender = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, sender, root, -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t begin = Atom(connection, "_NET_STARTUP_INFO_BEGIN", false);
    const xcb_atom_t more = Atom(connection, "_NET_STARTUP_INFO", false);
    for (std::size_t offset = 0; offset < message.size(); offset += 20) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = sender;
        event.type = offset == 0 ? begin : more;
        std::memcpy(event.data.data8, message.data() + offset,
                    std::min<std::size_t>(20, message.size() - offset));
        xcb_send_event(connection, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_destroy_window(connection, sender);
    xcb_flush(connection);
}

X11DesktopBackground::X11DesktopBackground(xcb_connection_t* connection, std::uint32_t root)
    : m_connection(connection), m_root(root) {
    if (m_connection == nullptr) {
        return;
    }
    m_atoms[0] = Atom(m_connection, "_XROOTPMAP_ID", false);
    m_atoms[1] = Atom(m_connection, "ESETROOT_PMAP_ID", false);
    // The event mask is per client: add to what this client (Qt) already takes from the root.
    const Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, m_root), nullptr));
    if (attributes != nullptr) {
        const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
}

std::uint32_t X11DesktopBackground::Pixmap() const {
    for (xcb_atom_t atom : m_atoms) {
        if (atom == XCB_ATOM_NONE) {
            continue;
        }
        const Reply<xcb_get_property_reply_t> property(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, m_root, atom, XCB_ATOM_PIXMAP, 0, 1),
            nullptr));
        if (property != nullptr && property->format == 32 &&
            xcb_get_property_value_length(property.get()) == 4) {
            std::uint32_t pixmap = 0;
            std::memcpy(&pixmap, xcb_get_property_value(property.get()), 4);
            if (pixmap != XCB_PIXMAP_NONE) {
                return pixmap;
            }
        }
    }
    return XCB_PIXMAP_NONE;
}

bool X11DesktopBackground::Read(int x, int y, int width, int height, DesktopPixels& out) const {
    out = DesktopPixels();
    if (m_connection == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    const xcb_screen_t* screen = ScreenOf(m_connection, m_root);
    const xcb_pixmap_t pixmap = Pixmap();
    if (screen == nullptr || pixmap == XCB_PIXMAP_NONE) {
        return false;
    }
    // A pixmap that its setter has freed since gives an error here, and no picture.
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, pixmap), nullptr));
    if (geometry == nullptr || !IsPlainRgb32(m_connection, *screen, geometry->depth)) {
        return false;
    }
    const int left = std::max(x, 0);
    const int top = std::max(y, 0);
    const int right = std::min(x + width, int(geometry->width));
    const int bottom = std::min(y + height, int(geometry->height));
    if (right <= left || bottom <= top) {
        return true; // the window is beyond the picture: nothing to show, nothing wrong
    }
    const Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, std::int16_t(left),
                      std::int16_t(top), std::uint16_t(right - left), std::uint16_t(bottom - top),
                      ~0u),
        nullptr));
    const std::size_t count = std::size_t(right - left) * std::size_t(bottom - top);
    if (image == nullptr || std::size_t(xcb_get_image_data_length(image.get())) < count * 4) {
        return false;
    }
    out.x = left;
    out.y = top;
    out.width = right - left;
    out.height = bottom - top;
    out.argb.resize(count);
    std::memcpy(out.argb.data(), xcb_get_image_data(image.get()), count * 4);
    for (std::uint32_t& pixel : out.argb) {
        pixel |= 0xff000000u; // depth 24 leaves the top byte undefined
    }
    return true;
}

bool X11DesktopBackground::IsBackgroundChange(const void* xcbGenericEvent) const {
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbGenericEvent);
    if ((event->response_type & ~0x80) != XCB_PROPERTY_NOTIFY) {
        return false;
    }
    const auto* property = static_cast<const xcb_property_notify_event_t*>(xcbGenericEvent);
    return property->window == m_root && property->atom != XCB_ATOM_NONE &&
           (property->atom == m_atoms[0] || property->atom == m_atoms[1]);
}

} // namespace tarnwick
