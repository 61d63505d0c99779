#include "X11DesktopWindows.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_set>

namespace {

enum AtomName {
    NetActiveWindow, NetClientListStacking, NetWmState, NetWmStateHidden, NetWmStateAbove, NetWmWindowType,
    NetWmWindowTypeNormal, NetWmWindowTypeDialog, NetWmName, NetSupported, NetWmActionMinimize, WmChangeState,
    AtomCount
};
constexpr std::array<const char*, AtomCount> AtomNames{
    "_NET_ACTIVE_WINDOW", "_NET_CLIENT_LIST_STACKING", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_STATE_ABOVE",
    "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_NAME",
    "_NET_SUPPORTED", "_NET_WM_ACTION_MINIMIZE", "WM_CHANGE_STATE"};

// Longest title read, in 32-bit units (64 KiB).
constexpr uint32_t TitleUnits = 16384;
// The first batch of a walk; later batches double, so a long walk costs log2(n) round trips.
constexpr size_t FirstBatch = 4;
// Window managers nest a client at most a few windows deep below its frame.
constexpr int FrameDepth = 8;

template <class Reply>
struct Freed {
    Reply* reply;
    explicit Freed(Reply* r) : reply(r) {}
    ~Freed() { std::free(reply); }
    Reply* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

xcb_get_property_cookie_t RequestProperty(xcb_connection_t* c, uint32_t window, xcb_atom_t property,
                                          uint32_t units = 64) {
    return xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, units);
}

// The 32-bit items of a property reply; empty when the property is missing or of another format.
std::vector<uint32_t> Items(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    Freed reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.reply));
    return {data, data + xcb_get_property_value_length(reply.reply) / 4};
}

bool Contains(const std::vector<uint32_t>& items, uint32_t value) {
    return std::find(items.begin(), items.end(), value) != items.end();
}

// The text of a name property up to its first NUL; nothing when it is missing. Xlib decodes
// every encoding a name comes in: UTF8_STRING, STRING (Latin-1) and COMPOUND_TEXT (xterm and
// other older programs, with escape sequences for Japanese and other character sets).
std::optional<QString> NameText(Display* display, xcb_get_property_cookie_t cookie) {
    Freed reply(xcb_get_property_reply(XGetXCBConnection(display), cookie, nullptr));
    if (!reply || reply->format != 8 || reply->type == XCB_ATOM_NONE) return std::nullopt;
    XTextProperty property{static_cast<unsigned char*>(xcb_get_property_value(reply.reply)), reply->type, 8,
                           static_cast<unsigned long>(xcb_get_property_value_length(reply.reply))};
    if (property.nitems == 0) return QString();
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &count) < Success) return std::nullopt;
    const QString text = count > 0 ? QString::fromUtf8(list[0]) : QString();
    XFreeStringList(list);
    return text;
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

}  // namespace

// An Xlib display, for its text conversions, whose xcb side sends the batched requests.
struct X11DesktopWindows::Connection {
    Display* display = nullptr;
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    std::array<xcb_atom_t, AtomCount> atom{};

    Connection() : display(XOpenDisplay(nullptr)) {
        if (!display) return;
        c = XGetXCBConnection(display);
        XSetEventQueueOwner(display, XCBOwnsEventQueue);
        root = xcb_window_t(DefaultRootWindow(display));
        std::array<xcb_intern_atom_cookie_t, AtomCount> cookies;
        for (int i = 0; i < AtomCount; ++i)
            cookies[i] = xcb_intern_atom(c, 0, uint16_t(std::strlen(AtomNames[i])), AtomNames[i]);
        for (int i = 0; i < AtomCount; ++i) {
            Freed reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
            atom[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        }
    }
    ~Connection() {
        if (display) XCloseDisplay(display);
    }
    bool Usable() const { return root != 0 && !xcb_connection_has_error(c); }

    // Errors of requests without replies arrive as events; nothing else is selected.
    void DropQueuedErrors() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) std::free(event);
    }
};

X11DesktopWindows::X11DesktopWindows() : x_(std::make_unique<Connection>()) {}
X11DesktopWindows::~X11DesktopWindows() = default;

std::vector<uint32_t> FrontToBack(uint32_t active, const std::vector<uint32_t>& clients,
                                  const std::vector<uint32_t>& framesBottomUp,
                                  const std::function<uint32_t(uint32_t)>& frameOf) {
    std::unordered_map<uint32_t, size_t> height;  // 0 = bottom
    for (size_t i = 0; i < framesBottomUp.size(); ++i) height[framesBottomUp[i]] = i + 1;
    const auto heightOf = [&](uint32_t client) {
        const auto it = height.find(frameOf(client));
        return it == height.end() ? 0 : it->second;
    };
    std::vector<uint32_t> order(clients.rbegin(), clients.rend());
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return heightOf(a) > heightOf(b); });
    const auto front = std::find(order.begin(), order.end(), active);
    if (active != 0 && front != order.end()) std::rotate(order.begin(), front, front + 1);
    return order;
}

uint32_t X11DesktopWindows::First() {
    stack_.clear();
    cursor_ = 0;
    if (!x_->Usable()) return 0;
    x_->DropQueuedErrors();
    xcb_connection_t* c = x_->c;
    const auto activeCookie = RequestProperty(c, x_->root, x_->atom[NetActiveWindow], 1);
    const auto clientsCookie = RequestProperty(c, x_->root, x_->atom[NetClientListStacking], 65536);
    const auto treeCookie = xcb_query_tree(c, x_->root);
    const std::vector<uint32_t> active = Items(c, activeCookie);
    const std::vector<uint32_t> clients = Items(c, clientsCookie);
    Freed tree(xcb_query_tree_reply(c, treeCookie, nullptr));
    std::vector<uint32_t> topLevel;
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.reply);
        topLevel.assign(children, children + xcb_query_tree_children_length(tree.reply));
    }
    FindFrames(clients, topLevel);
    const auto frameOf = [this](uint32_t client) {
        const auto it = frames_.find(client);
        return it == frames_.end() ? 0u : it->second;
    };
    for (uint32_t window : FrontToBack(active.empty() ? 0 : active[0], clients, topLevel, frameOf))
        stack_.push_back(Entry{window});
    return stack_.empty() ? 0 : stack_.front().window;
}

// Climbs from each client whose frame is not known yet to the root's child that holds it,
// one batch of tree queries per level.
void X11DesktopWindows::FindFrames(const std::vector<uint32_t>& clients, const std::vector<uint32_t>& topLevel) {
    const std::unordered_set<uint32_t> isTopLevel(topLevel.begin(), topLevel.end());
    std::unordered_map<uint32_t, uint32_t> known;
    std::vector<std::pair<uint32_t, uint32_t>> climbing;  // client, the window reached so far
    for (uint32_t client : clients) {
        const auto it = frames_.find(client);
        if (it != frames_.end() && isTopLevel.count(it->second)) known[client] = it->second;
        else climbing.emplace_back(client, client);
    }
    for (int level = 0; level < FrameDepth && !climbing.empty(); ++level) {
        std::vector<std::pair<uint32_t, uint32_t>> asking;
        for (const auto& [client, window] : climbing) {
            if (isTopLevel.count(window)) known[client] = window;
            else asking.emplace_back(client, window);
        }
        std::vector<xcb_query_tree_cookie_t> cookies;
        for (const auto& each : asking) cookies.push_back(xcb_query_tree(x_->c, each.second));
        climbing.clear();
        for (size_t i = 0; i < asking.size(); ++i) {
            Freed reply(xcb_query_tree_reply(x_->c, cookies[i], nullptr));
            if (!reply) continue;  // gone meanwhile
            const auto [client, window] = asking[i];
            if (reply->parent == x_->root || reply->parent == XCB_WINDOW_NONE) known[client] = window;
            else climbing.emplace_back(client, reply->parent);
        }
    }
    frames_ = std::move(known);  // clients that have gone are forgotten
}

size_t X11DesktopWindows::PositionOf(uint32_t window) {
    if (cursor_ < stack_.size() && stack_[cursor_].window == window) return cursor_;
    const auto it = std::find_if(stack_.begin(), stack_.end(), [&](const Entry& e) { return e.window == window; });
    if (it == stack_.end()) return stack_.size();
    cursor_ = size_t(it - stack_.begin());
    return cursor_;
}

uint32_t X11DesktopWindows::Next(uint32_t window) {
    const size_t position = PositionOf(window);
    if (position >= stack_.size()) return 0;
    if (!stack_[position].fetched) FetchFrom(position);
    if (stack_[position].vanished || position + 1 >= stack_.size()) return 0;
    cursor_ = position + 1;
    return stack_[cursor_].window;
}

uint32_t X11DesktopWindows::Style(uint32_t window) {
    const size_t position = PositionOf(window);
    if (position >= stack_.size()) {
        // A window outside the walk: look it up on its own.
        stack_.push_back(Entry{window});
        FetchFrom(stack_.size() - 1);
        const uint32_t style = stack_.back().style;
        stack_.pop_back();
        return style;
    }
    if (!stack_[position].fetched) FetchFrom(position);
    return stack_[position].style;
}

void X11DesktopWindows::FetchFrom(size_t position) {
    if (!x_->Usable()) return;
    xcb_connection_t* c = x_->c;
    const auto& atom = x_->atom;
    const size_t count = std::min(stack_.size() - position, std::max(FirstBatch, position));
    struct Cookies {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t state, type;
    };
    std::vector<Cookies> cookies(count);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t w = stack_[position + i].window;
        cookies[i] = {xcb_get_window_attributes(c, w), RequestProperty(c, w, atom[NetWmState]),
                      RequestProperty(c, w, atom[NetWmWindowType])};
    }
    for (size_t i = 0; i < count; ++i) {
        Entry& entry = stack_[position + i];
        Freed attributes(xcb_get_window_attributes_reply(c, cookies[i].attributes, nullptr));
        const std::vector<uint32_t> state = Items(c, cookies[i].state);
        const std::vector<uint32_t> type = Items(c, cookies[i].type);
        entry.fetched = true;
        entry.vanished = !attributes;
        entry.style = 0;
        if (!attributes) continue;
        if (attributes->map_state == XCB_MAP_STATE_VIEWABLE && !Contains(state, atom[NetWmStateHidden]))
            entry.style |= WS_VISIBLE;
        // The first type is the one the application prefers; none means a normal window. Whether
        // the window manager decorates it does not count: Chromium, GTK header bars and Electron
        // programs turn that off (Motif hints) to draw their own title bar.
        const bool appWindow = type.empty() || type[0] == atom[NetWmWindowTypeNormal] ||
                               type[0] == atom[NetWmWindowTypeDialog];
        if (appWindow && !attributes->override_redirect) entry.style |= WS_BORDER;
    }
}

QString X11DesktopWindows::Title(uint32_t window) {
    if (!x_->Usable()) return {};
    xcb_connection_t* c = x_->c;
    const auto netName = RequestProperty(c, window, x_->atom[NetWmName], TitleUnits);
    const auto wmName = RequestProperty(c, window, XCB_ATOM_WM_NAME, TitleUnits);
    const std::optional<QString> preferred = NameText(x_->display, netName);
    const std::optional<QString> fallback = NameText(x_->display, wmName);
    return preferred.value_or(fallback.value_or(QString()));
}

QRect X11DesktopWindows::Area(uint32_t window) {
    if (!x_->Usable()) return {};
    xcb_connection_t* c = x_->c;
    const auto geometry = xcb_get_geometry(c, window);
    const auto origin = xcb_translate_coordinates(c, window, x_->root, 0, 0);
    const Freed size(xcb_get_geometry_reply(c, geometry, nullptr));
    const Freed at(xcb_translate_coordinates_reply(c, origin, nullptr));
    if (!size || !at) return {};
    return {at->dst_x, at->dst_y, size->width, size->height};
}

void X11DesktopWindows::SetTopMost(uint32_t window, bool on) {
    // Asking the window manager keeps its stacking and focus rules in charge: the
    // window changes band and nothing else (no activation, no de-minimising).
    ChangeState(window, on, NetWmStateAbove);
}

void X11DesktopWindows::Restore(uint32_t window) { ChangeState(window, false, NetWmStateHidden); }

void X11DesktopWindows::ChangeState(uint32_t window, bool add, int stateAtom) {
    // _NET_WM_STATE_ADD / _REMOVE, from an application.
    SendToWindowManager(window, NetWmState, {add ? 1u : 0u, x_->atom[stateAtom], 0, 1, 0});
}

void X11DesktopWindows::Minimise(uint32_t window) {
    SendToWindowManager(window, WmChangeState, {3, 0, 0, 0, 0});  // IconicState (ICCCM)
}

void X11DesktopWindows::SendToWindowManager(uint32_t window, int type, const std::array<uint32_t, 5>& data) {
    if (!x_->Usable()) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = x_->atom[type];
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(x_->c, 0, x_->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(x_->c);
}

bool X11DesktopWindows::CanMinimise() {
    if (!x_->Usable()) return true;
    const std::vector<uint32_t> supported =
        Items(x_->c, RequestProperty(x_->c, x_->root, x_->atom[NetSupported], 1024));
    return supported.empty() || Contains(supported, x_->atom[NetWmActionMinimize]);
}

void InstallXErrorHandler() { XSetErrorHandler(IgnoreXError); }
