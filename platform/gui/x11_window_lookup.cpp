#include "platform/gui/x11_window_lookup.h"

#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace tarnwell {

struct X11WindowLookup::Connection {
    xcb_connection_t* link = nullptr;
    xcb_window_t root = 0;

    xcb_atom_t Atom(const char* name) {
        auto cookie = xcb_intern_atom(link, 0, static_cast<uint16_t>(std::strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(link, cookie, nullptr);
        xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    // A property as raw bytes (at most 64 KiB), empty when absent.
    std::vector<uint8_t> Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
        auto cookie = xcb_get_property(link, 0, window, property, type, 0, 16384);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(link, cookie, nullptr);
        std::vector<uint8_t> bytes;
        if (reply != nullptr) {
            auto* value = static_cast<const uint8_t*>(xcb_get_property_value(reply));
            int length = xcb_get_property_value_length(reply);
            if (length > 0) bytes.assign(value, value + length);
        }
        std::free(reply);
        return bytes;
    }

    std::vector<xcb_window_t> Windows(xcb_window_t window, const char* property) {
        std::vector<uint8_t> bytes = Property(window, Atom(property), XCB_ATOM_WINDOW);
        std::vector<xcb_window_t> windows(bytes.size() / sizeof(xcb_window_t));
        if (!windows.empty()) std::memcpy(windows.data(), bytes.data(), windows.size() * sizeof(xcb_window_t));
        return windows;
    }

    std::string Name(xcb_window_t window) {
        std::vector<uint8_t> name = Property(window, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"));
        if (name.empty()) name = Property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        return std::string(name.begin(), name.end());
    }

    void SendRootMessage(xcb_window_t window, const char* type, uint32_t data0) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = Atom(type);
        event.data.data32[0] = data0;
        xcb_send_event(link, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(link);
    }
};

X11WindowLookup::X11WindowLookup() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') return;
    auto connection = std::make_unique<Connection>();
    connection->link = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection->link)) {
        xcb_disconnect(connection->link);
        return;
    }
    connection->root = xcb_setup_roots_iterator(xcb_get_setup(connection->link)).data->root;
    x_ = std::move(connection);
}

X11WindowLookup::~X11WindowLookup() {
    if (x_) xcb_disconnect(x_->link);
}

std::optional<WindowId> X11WindowLookup::FindDialogWindow(const std::string& title) {
    if (!x_) return std::nullopt;
    for (xcb_window_t window : x_->Windows(x_->root, "_NET_CLIENT_LIST"))
        if (x_->Name(window) == title) return window;
    return std::nullopt;
}

WindowId X11WindowLookup::LastActivePopup(WindowId window) {
    if (!x_) return window;
    // The newest client that is transient for the window stands for its last pop-up.
    WindowId popup = window;
    for (xcb_window_t client : x_->Windows(x_->root, "_NET_CLIENT_LIST_STACKING")) {
        std::vector<xcb_window_t> owner = x_->Windows(client, "WM_TRANSIENT_FOR");
        if (!owner.empty() && owner[0] == window) popup = client;
    }
    return popup;
}

bool X11WindowLookup::IsMinimised(WindowId window) {
    if (!x_) return false;
    std::vector<uint8_t> bytes = x_->Property(static_cast<xcb_window_t>(window), x_->Atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
    xcb_atom_t hidden = x_->Atom("_NET_WM_STATE_HIDDEN");
    for (size_t at = 0; at + sizeof(xcb_atom_t) <= bytes.size(); at += sizeof(xcb_atom_t)) {
        xcb_atom_t atom;
        std::memcpy(&atom, bytes.data() + at, sizeof atom);
        if (atom == hidden) return true;
    }
    return false;
}

void X11WindowLookup::Show(WindowId window) {
    if (!x_) return;
    xcb_map_window(x_->link, static_cast<xcb_window_t>(window));
    xcb_flush(x_->link);
}

void X11WindowLookup::SetForeground(WindowId window) {
    if (!x_) return;
    x_->SendRootMessage(static_cast<xcb_window_t>(window), "_NET_ACTIVE_WINDOW", 2);
}

} // namespace tarnwell
